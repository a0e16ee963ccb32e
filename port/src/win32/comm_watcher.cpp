#include "win32/comm_watcher.h"

#include <winioctl.h>

#include <atomic>
#include <mutex>


namespace port {

namespace {

// What TransmitCommChar asks of the serial driver (the driver kit's
// ntddser.h, which the system's headers do not include).
constexpr DWORD IOCTL_SERIAL_IMMEDIATE_CHAR = CTL_CODE(FILE_DEVICE_SERIAL_PORT, 6, METHOD_BUFFERED, FILE_ANY_ACCESS);

std::atomic<bool> unloading{false};
std::atomic<bool> processEnding{false};

// An overlapped operation that the calling thread waits out, with an event
// of its own.
class OneOperation {
public:
    OneOperation() { overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~OneOperation() {
        if (overlapped_.hEvent != nullptr) CloseHandle(overlapped_.hEvent);
    }
    OVERLAPPED* overlapped() { return overlapped_.hEvent != nullptr ? &overlapped_ : nullptr; }
    // The operation's result once it has ended; `started` is what the call
    // that began it returned.
    bool finish(HANDLE port, BOOL started, DWORD& transferred) {
        if (!started && GetLastError() != ERROR_IO_PENDING) return false;
        return GetOverlappedResult(port, &overlapped_, &transferred, TRUE) != FALSE;
    }

private:
    OVERLAPPED overlapped_{};
};

// The comm functions behind the watch. The count is the number of
// carrier-detect reports, a finished wait the thread has not taken yet
// included, so that the caller's look sees it at once.
class CommLines final : public LineWatchSystem {
public:
    CommLines(HANDLE port, std::string name)
        : port_(port),
          name_(std::move(name)),
          kick_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          reported_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        frequency_ = frequency.QuadPart;
        waiting_.hEvent = reported_;
    }
    ~CommLines() override {
        if (kick_ != nullptr) CloseHandle(kick_);
        if (reported_ != nullptr) CloseHandle(reported_);
    }

    // Carrier-detect changes are reported from here on.
    bool start() {
        if (kick_ == nullptr || reported_ == nullptr || frequency_ <= 0) return false;
        DWORD status = 0;
        return SetCommMask(port_, EV_RLSD) != FALSE && GetCommModemStatus(port_, &status) != FALSE;
    }

    int64_t now() override {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        return counter.QuadPart;
    }
    int64_t countsPerSecond() override { return frequency_; }

    bool look(LineLook& look) override {
        {
            std::lock_guard lock(mutex_);
            look.changes = reports_ + (pending_ && HasOverlappedIoCompleted(&waiting_) ? 1 : 0);
        }
        DWORD status = 0;
        if (!GetCommModemStatus(port_, &status)) {
            error_ = GetLastError();
            return false;
        }
        look.high = (status & MS_RLSD_ON) != 0;
        return true;
    }

    Wake wait() override {
        if (!pending_) {
            events_ = 0;
            if (WaitCommEvent(port_, &events_, &waiting_)) return taken();
            if (GetLastError() != ERROR_IO_PENDING) return failed(GetLastError());
            std::lock_guard lock(mutex_);
            pending_ = true;
        }
        // A report wins over a kick that came with it.
        const HANDLE events[2] = {reported_, kick_};
        const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0 + 1 && !HasOverlappedIoCompleted(&waiting_)) return Wake::kick;
        if (which != WAIT_OBJECT_0 && which != WAIT_OBJECT_0 + 1) return failed(GetLastError());
        DWORD ignored = 0;
        const bool done = GetOverlappedResult(port_, &waiting_, &ignored, FALSE) != FALSE;
        const DWORD error = GetLastError();
        {
            std::lock_guard lock(mutex_);
            pending_ = false;
        }
        if (!done) return failed(error);
        return taken();
    }

    void kick() override { SetEvent(kick_); }

    // A spin of 100 us: Sleep's shortest is a timer tick, often 15.6 ms.
    void pause() override {
        const int64_t end = now() + frequency_ / 10'000;
        while (now() < end) YieldProcessor();
    }

    std::string failure() override {
        return name_ + ": the receiver's line can no longer be watched: system error " + std::to_string(error_);
    }

    // No wait may be left running on memory that goes away with this
    // object. A new event mask ends a pending wait, on Windows at once, under
    // Wine at the next look of its waiting thread; CancelIo would not stop
    // that thread, which goes on writing the events it finds.
    void finish() {
        if (!pending_) return;
        SetCommMask(port_, 0);
        DWORD ignored = 0;
        GetOverlappedResult(port_, &waiting_, &ignored, TRUE);
        std::lock_guard lock(mutex_);
        pending_ = false;
    }

private:
    Wake taken() {
        // A wait ended by a change of the mask reports nothing.
        if ((events_ & EV_RLSD) == 0) return Wake::kick;
        std::lock_guard lock(mutex_);
        ++reports_;
        return Wake::change;
    }
    Wake failed(DWORD error) {
        error_ = error;
        return Wake::failed;
    }

    HANDLE port_;
    std::string name_;
    HANDLE kick_;
    HANDLE reported_;
    int64_t frequency_ = 0;
    OVERLAPPED waiting_{};
    DWORD events_ = 0;
    std::mutex mutex_;  // reports_ and pending_ between the thread and the caller's look
    uint32_t reports_ = 0;
    bool pending_ = false;
    DWORD error_ = 0;
};

class Watcher final : public LineWatcher {
public:
    Watcher(HANDLE port, std::string name) : lines_(port, std::move(name)) {}
    ~Watcher() override {
        if (thread_ == nullptr) return;
        watch_->stop();
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }

    bool start() {
        if (!lines_.start()) return false;
        watch_ = std::make_unique<ModemLineWatch>(lines_);
        thread_ = CreateThread(nullptr, 0, &Watcher::main, this, 0, nullptr);
        return thread_ != nullptr && watch_->waitsWork();
    }

    LineEdges& edges() override { return watch_->record(); }

private:
    static DWORD WINAPI main(void* self) {
        auto* watcher = static_cast<Watcher*>(self);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        watcher->watch_->run();
        watcher->lines_.finish();
        // Stopped while the library is unloaded: a thread's ordinary end
        // takes the loader's lock, which the unloading thread holds while it
        // waits here. Ended by itself, it needs none (it holds nothing).
        if (unloading) TerminateThread(GetCurrentThread(), 0);
        return 0;
    }

    CommLines lines_;
    std::unique_ptr<ModemLineWatch> watch_;
    HANDLE thread_ = nullptr;
};

}  // namespace

std::unique_ptr<LineWatcher> watchCommLines(HANDLE port, const std::string& name) {
    auto watcher = std::make_unique<Watcher>(port, name);
    if (!watcher->start()) return nullptr;
    return watcher;
}

void endCommWatcher(std::unique_ptr<LineWatcher>& watcher) {
    if (processEnding) static_cast<void>(watcher.release());
    else watcher.reset();
}

void libraryUnloading(bool ending) {
    processEnding = ending;
    unloading = true;
}

int32_t overlappedRead(HANDLE port) {
    OneOperation read;
    if (read.overlapped() == nullptr) return -1;
    unsigned char byte = 0;
    DWORD got = 0;
    if (!read.finish(port, ReadFile(port, &byte, 1, nullptr, read.overlapped()), got) || got != 1) return -1;
    return byte;
}

bool overlappedImmediateChar(HANDLE port, uint8_t byte) {
    OneOperation send;
    if (send.overlapped() == nullptr) return false;
    DWORD ignored = 0;
    char character = static_cast<char>(byte);
    return send.finish(port,
                       DeviceIoControl(port, IOCTL_SERIAL_IMMEDIATE_CHAR, &character, 1, nullptr, 0, nullptr,
                                       send.overlapped()),
                       ignored);
}

}  // namespace port
