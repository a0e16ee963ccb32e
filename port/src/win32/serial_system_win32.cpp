// Serial ports on Windows: the communication functions of the system's
// serial driver behind the SerialDevice steps, one call each. The port is
// opened for overlapped I/O so that a thread of the library can wait for
// DCD's changes beside the caller (win32/comm_watcher.h).
#include <windows.h>

#include "serial_system.h"
#include "no_destructor.h"
#include "win32/comm_watcher.h"
#include "win32/mapped_ports.h"

namespace port {

namespace {

class CommDevice final : public SerialDevice {
public:
    explicit CommDevice(HANDLE handle) : handle_(handle) {}
    ~CommDevice() override {
        endCommWatcher(watcher_);
        if (handle_ != nullptr) CloseHandle(handle_);
    }

    void clearErrors() override {
        DWORD errors = 0;
        ClearCommError(handle_, &errors, nullptr);
    }

    bool readState() override {
        block_.DCBlength = sizeof(block_);
        return GetCommState(handle_, &block_) != FALSE;
    }

    // The whole flag word becomes 1: binary mode, everything else off.
    void keepOnlyBinaryFlag() override {
        block_.fBinary = 1;
        block_.fParity = 0;
        block_.fOutxCtsFlow = 0;
        block_.fOutxDsrFlow = 0;
        block_.fDtrControl = DTR_CONTROL_DISABLE;
        block_.fDsrSensitivity = 0;
        block_.fTXContinueOnXoff = 0;
        block_.fOutX = 0;
        block_.fInX = 0;
        block_.fErrorChar = 0;
        block_.fNull = 0;
        block_.fRtsControl = RTS_CONTROL_DISABLE;
        block_.fAbortOnError = 0;
        block_.fDummy2 = 0;
    }

    bool buildFromMode(const std::string& mode) override { return BuildCommDCBA(mode.c_str(), &block_) != FALSE; }

    bool writeState() override { return SetCommState(handle_, &block_) != FALSE; }

    bool setTimeouts(const CommTimeouts& t) override {
        COMMTIMEOUTS timeouts{t.readInterval, t.readTotalMultiplier, t.readTotalConstant, t.writeTotalMultiplier,
                              t.writeTotalConstant};
        return SetCommTimeouts(handle_, &timeouts) != FALSE;
    }

    int32_t readByte() override { return overlappedRead(handle_); }

    bool transmitChar(uint8_t byte) override { return overlappedImmediateChar(handle_, byte); }

    bool escape(LineFunction function) override {
        return EscapeCommFunction(handle_, static_cast<DWORD>(function)) != FALSE;
    }

    bool setBreak(bool on) override { return (on ? SetCommBreak(handle_) : ClearCommBreak(handle_)) != FALSE; }

    bool modemStatus(uint32_t& status) override {
        DWORD word = 0;
        if (!GetCommModemStatus(handle_, &word)) return false;
        status = word;
        return true;
    }

    // DCD's changes are timed from the moment the port is ours.
    void watchLines(const std::string& name) { watcher_ = watchCommLines(handle_, name); }
    LineEdges* edges() override { return watcher_ ? &watcher_->edges() : nullptr; }

    bool close() override {
        endCommWatcher(watcher_);
        const bool closed = CloseHandle(handle_) != FALSE;
        handle_ = nullptr;
        return closed;
    }

private:
    HANDLE handle_;
    DCB block_{};
    std::unique_ptr<LineWatcher> watcher_;
};

class Win32SerialSystem final : public SerialSystem {
public:
    // Unshared: another program holding the port makes the open fail,
    // which is how the caller learns the port is taken.
    std::unique_ptr<SerialDevice> open(const std::string& deviceName) override {
        if (auto mapped = openMappedPort(deviceName)) return std::move(*mapped);
        const HANDLE handle = CreateFileA(deviceName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        auto device = std::make_unique<CommDevice>(handle);
        device->watchLines(deviceName);
        return device;
    }
};

}  // namespace

SerialSystem& systemSerial() {
    static NoDestructor<Win32SerialSystem> system;
    return *system;
}

}  // namespace port
