// Serial ports on Linux: termios and the modem-control ioctls behind the
// SerialDevice steps. Reads wait with poll() so that the port's timeouts
// behave like the 1 + t ms of the timeouts record, whatever VMIN/VTIME say.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "mode_string.h"
#include "posix/termios_mode.h"
#include "serial_names.h"
#include "serial_system.h"
#include "no_destructor.h"
#include "posix/lirc_receiver.h"
#include "posix/modem_line_watcher.h"
#include "virtual_receiver.h"

namespace port {

namespace {

int64_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Waits up to ms milliseconds (ms < 0: without limit) for events on fd;
// the revents, or 0 when the time ran out.
short waitFor(int fd, short events, int64_t ms) {
    const int64_t deadline = monotonicMs() + ms;
    while (true) {
        const int timeout = ms < 0 ? -1 : static_cast<int>(std::clamp<int64_t>(deadline - monotonicMs(), 0, INT_MAX));
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, timeout);
        if (ready > 0) return entry.revents;
        if (ready < 0 && errno != EINTR) return POLLERR;
        if (ready == 0 && timeout < INT_MAX) return 0;
    }
}

// Total timeout of a one-byte transfer, as the timeouts record defines it;
// -1 when the record sets none (wait for the byte however long it takes).
int64_t oneByteTimeout(uint32_t multiplier, uint32_t constant) {
    const int64_t total = static_cast<int64_t>(multiplier) + constant;
    return total == 0 ? -1 : total;
}

class TtyDevice final : public SerialDevice {
public:
    TtyDevice(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~TtyDevice() override {
        watcher_.reset();
        if (fd_ >= 0) ::close(fd_);
    }

    // Linux keeps no error state that would block further transfers.
    void clearErrors() override {}

    bool readState() override { return tcgetattr(fd_, &block_) == 0; }

    void keepOnlyBinaryFlag() override {
        keepOnlyBinary(block_, levels_);
        refused_ = false;
    }

    // A string that cannot be read changes nothing, as the system's parser
    // leaves the block alone; settings termios cannot carry make the block
    // unusable, so that the port is never run with a value it was not given.
    bool buildFromMode(const std::string& mode) override {
        const auto settings = parseModeSettings(mode);
        if (!settings) return false;
        refused_ = !applyModeSettings(block_, levels_, *settings);
        return !refused_;
    }

    // Linux raises DTR and RTS when a port opens; the line control of the
    // block decides where they stand once it is applied.
    bool writeState() override {
        if (refused_ || tcsetattr(fd_, TCSANOW, &block_) != 0) return false;
        setLine(TIOCM_DTR, levels_.dtr);
        setLine(TIOCM_RTS, levels_.rts);
        return true;
    }

    bool setTimeouts(const CommTimeouts& timeouts) override {
        timeouts_ = timeouts;
        return true;
    }

    int32_t readByte() override {
        const int64_t limit = oneByteTimeout(timeouts_.readTotalMultiplier, timeouts_.readTotalConstant);
        const int64_t deadline = monotonicMs() + limit;
        while (true) {
            const int64_t left = limit < 0 ? -1 : std::max<int64_t>(deadline - monotonicMs(), 0);
            const short events = waitFor(fd_, POLLIN, left);
            if ((events & POLLIN) == 0) return -1;  // time ran out, or the device hung up or failed
            unsigned char byte = 0;
            const ssize_t got = ::read(fd_, &byte, 1);
            if (got == 1) return byte;
            if (got == 0 && (events & POLLHUP) != 0) return -1;
            if (got < 0 && errno != EAGAIN && errno != EINTR) return -1;
            if (left == 0) return -1;
        }
    }

    bool transmitChar(uint8_t byte) override {
        const int64_t limit = oneByteTimeout(timeouts_.writeTotalMultiplier, timeouts_.writeTotalConstant);
        if ((waitFor(fd_, POLLOUT, limit) & POLLOUT) == 0) return false;
        return ::write(fd_, &byte, 1) == 1;
    }

    bool escape(LineFunction function) override {
        int line = 0;
        unsigned long request = 0;
        switch (function) {
            case LineFunction::setRts: line = TIOCM_RTS; request = TIOCMBIS; break;
            case LineFunction::clearRts: line = TIOCM_RTS; request = TIOCMBIC; break;
            case LineFunction::setDtr: line = TIOCM_DTR; request = TIOCMBIS; break;
            case LineFunction::clearDtr: line = TIOCM_DTR; request = TIOCMBIC; break;
        }
        return ioctl(fd_, request, &line) == 0;
    }

    // A pseudo-terminal has no modem lines: its refusal changes nothing.
    void setLine(int line, bool raised) { ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &line); }

    bool setBreak(bool on) override { return ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0; }

    bool modemStatus(uint32_t& status) override {
        int lines = 0;
        if (ioctl(fd_, TIOCMGET, &lines) != 0) return false;
        status = ((lines & TIOCM_CTS) ? static_cast<uint32_t>(ModemLine::cts) : 0) |
                 ((lines & TIOCM_DSR) ? static_cast<uint32_t>(ModemLine::dsr) : 0) |
                 ((lines & TIOCM_RNG) ? static_cast<uint32_t>(ModemLine::ring) : 0) |
                 ((lines & TIOCM_CAR) ? static_cast<uint32_t>(ModemLine::carrier) : 0);
        return true;
    }

    // DCD's changes are timed from the moment the port is ours.
    void watchLines() { watcher_ = watchModemLines(fd_, path_); }
    LineEdges* edges() override { return watcher_ ? &watcher_->edges() : nullptr; }

    bool close() override {
        watcher_.reset();
        ioctl(fd_, TIOCNXCL);
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }

private:
    int fd_;
    std::string path_;
    std::unique_ptr<LineWatcher> watcher_;
    termios block_{};
    ModemLevels levels_{};
    bool refused_ = false;
    CommTimeouts timeouts_{};
};

// Opens a serial device file for this process alone. O_NONBLOCK keeps the
// open from waiting for carrier; it is cleared again once the port is ours.
std::unique_ptr<SerialDevice> openTty(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    auto device = std::make_unique<TtyDevice>(fd, path);
    // Only a terminal device is a serial port; another program's lock or
    // exclusive open means the port is taken.
    if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) return nullptr;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
    device->watchLines();
    return device;
}

class PosixSerialSystem final : public SerialSystem {
public:
    std::unique_ptr<SerialDevice> open(const std::string& deviceName) override {
        const SerialTarget target = serialTargetFor(deviceName);
        switch (target.backend) {
            case SerialTarget::Backend::tty: return openTty(target.path);
            case SerialTarget::Backend::virtualReceiver: return openVirtualReceiver(target.path);
            case SerialTarget::Backend::lirc: return openLircReceiver(target.path);
            case SerialTarget::Backend::none: reportRefusedTarget(deviceName, target); return nullptr;
        }
        return nullptr;
    }
};

}  // namespace

SerialSystem& systemSerial() {
    static NoDestructor<PosixSerialSystem> system;
    return *system;
}

}  // namespace port
