// The virtual receiver's socket on Windows: UDP through Winsock, with two
// events (a datagram waits; the recorder shall end) for the recorder's wait.
//
// port.dll links only the system's kernel, user-interface and multimedia
// libraries, and most of its callers never open a virtual receiver: Winsock
// (ws2_32.dll) is loaded at run time, when the first virtual mapping is
// opened, and each function is looked up by name. It stays loaded until the
// process ends.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <mutex>

#include "virtual_receiver_system.h"

namespace port::virtual_receiver {

namespace {

struct Winsock {
    decltype(&::WSAStartup) startup = nullptr;
    decltype(&::WSACleanup) cleanup = nullptr;
    decltype(&::WSAGetLastError) lastError = nullptr;
    decltype(&::WSAEventSelect) eventSelect = nullptr;
    decltype(&::socket) socket = nullptr;
    decltype(&::setsockopt) setsockopt = nullptr;
    decltype(&::bind) bind = nullptr;
    decltype(&::recv) recv = nullptr;
    decltype(&::ioctlsocket) ioctlsocket = nullptr;
    decltype(&::closesocket) closesocket = nullptr;
    decltype(&::htons) htons = nullptr;
    decltype(&::htonl) htonl = nullptr;
};

template <class F>
bool lookUp(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

// Winsock's functions, or nullptr when the system has none.
const Winsock* winsock() {
    static std::once_flag once;
    static Winsock functions;
    static bool loaded = false;
    std::call_once(once, [] {
        const HMODULE module = LoadLibraryA("ws2_32.dll");
        if (module == nullptr) return;
        Winsock& w = functions;
        loaded = lookUp(module, "WSAStartup", w.startup) && lookUp(module, "WSACleanup", w.cleanup) &&
                 lookUp(module, "WSAGetLastError", w.lastError) && lookUp(module, "WSAEventSelect", w.eventSelect) &&
                 lookUp(module, "socket", w.socket) && lookUp(module, "setsockopt", w.setsockopt) &&
                 lookUp(module, "bind", w.bind) && lookUp(module, "recv", w.recv) &&
                 lookUp(module, "ioctlsocket", w.ioctlsocket) && lookUp(module, "closesocket", w.closesocket) &&
                 lookUp(module, "htons", w.htons) && lookUp(module, "htonl", w.htonl);
    });
    return loaded ? &functions : nullptr;
}

// True while the process ends: Winsock, loaded after the library, has then
// already been told so, and must not be called from the library's unload.
bool processEnding() {
    using Query = BOOLEAN(WINAPI*)();
    static const Query query = [] {
        Query q = nullptr;
        if (const HMODULE ntdll = GetModuleHandleA("ntdll.dll")) lookUp(ntdll, "RtlDllShutdownInProgress", q);
        return q;
    }();
    return query != nullptr && query() != FALSE;
}

class WinsockReceiverSocket final : public ReceiverSocket {
public:
    WinsockReceiverSocket(const Winsock& w, SOCKET s, HANDLE readable, HANDLE wake)
        : w_(w), socket_(s), readable_(readable), wake_(wake) {}
    ~WinsockReceiverSocket() override {
        if (!processEnding()) {
            w_.closesocket(socket_);
            w_.cleanup();
        }
        CloseHandle(readable_);
        CloseHandle(wake_);
    }

    int64_t receive(void* buffer, std::size_t size) override {
        while (true) {
            const int got = w_.recv(socket_, static_cast<char*>(buffer), int(size), 0);
            if (got >= 0) return got;
            switch (w_.lastError()) {
                case WSAEMSGSIZE: return int64_t(size) + 1;  // longer than any burst; the rest is gone
                case WSAECONNRESET: continue;                // an old error report, not a datagram
                default: return -1;                          // none waits (WSAEWOULDBLOCK), or failed
            }
        }
    }

    bool pending() override {
        u_long waiting = 0;
        return w_.ioctlsocket(socket_, FIONREAD, &waiting) != 0 || waiting > 0;
    }

    Wake wait(int64_t timeoutNs) override {
        const DWORD ms = DWORD(std::clamp<int64_t>((timeoutNs + 999'999) / 1'000'000, 0, 60'000));
        const HANDLE events[2] = {wake_, readable_};
        switch (WaitForMultipleObjects(2, events, FALSE, ms)) {
            case WAIT_OBJECT_0: return Wake::woken;
            case WAIT_OBJECT_0 + 1:
                // Winsock signals again for a datagram that arrives after this.
                ResetEvent(readable_);
                return Wake::ready;
            case WAIT_TIMEOUT: return Wake::timedOut;
            default: return Wake::failed;
        }
    }

    void wake() override { SetEvent(wake_); }

    bool sendersShareClock() const override { return false; }

private:
    const Winsock& w_;
    SOCKET socket_;
    HANDLE readable_;
    HANDLE wake_;
};

std::string winsockError(int code) {
    switch (code) {
        case WSAEADDRINUSE: return "another program listens on this UDP port";
        case WSAEADDRNOTAVAIL: return "no such address on this machine";
        case WSAEACCES: return "the system refuses this UDP port";
        default: return "Winsock error " + std::to_string(code);
    }
}

}  // namespace

std::unique_ptr<ReceiverSocket> openReceiverSocket(const ReceiverAddress& address, std::string& why) {
    if (address.kind != ReceiverAddress::Kind::udp) {
        why = "a Unix socket; on Windows the virtual receiver listens on UDP: virtual:udp:127.0.0.1:<port>";
        return nullptr;
    }
    const Winsock* found = winsock();
    if (found == nullptr) {
        why = "Winsock (ws2_32.dll) cannot be loaded";
        return nullptr;
    }
    const Winsock& w = *found;
    WSADATA data{};
    if (const int error = w.startup(MAKEWORD(2, 2), &data); error != 0) {
        why = winsockError(error);
        return nullptr;
    }
    const SOCKET s = w.socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const HANDLE readable = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int error = 0;
    if (s == INVALID_SOCKET || readable == nullptr || wake == nullptr) {
        error = s == INVALID_SOCKET ? w.lastError() : 0;
        why = error != 0 ? winsockError(error) : "no event for the receiver's thread";
    } else {
        // No other program may listen on the same port while the port is ours.
        const BOOL exclusive = TRUE;
        w.setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                     sizeof exclusive);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = w.htons(address.port);
        local.sin_addr.s_addr = w.htonl(address.ipv4);
        if (w.bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
            w.eventSelect(s, readable, FD_READ) != 0) {
            error = w.lastError();
            why = error == WSAEADDRINUSE ? "another program listens on UDP port " + std::to_string(address.port)
                                         : winsockError(error);
        } else {
            return std::make_unique<WinsockReceiverSocket>(w, s, readable, wake);
        }
    }
    if (s != INVALID_SOCKET) w.closesocket(s);
    if (readable != nullptr) CloseHandle(readable);
    if (wake != nullptr) CloseHandle(wake);
    w.cleanup();
    return nullptr;
}

void raiseRecorderThread() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

}  // namespace port::virtual_receiver
