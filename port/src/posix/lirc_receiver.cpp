#include "posix/lirc_receiver.h"

#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "edge_record.h"
#include "posix/monotonic_clock.h"
#include "posix/edge_sources.h"
#include "receiver_port.h"

namespace port {

namespace {

// How long the kernel may take to hand over a length it has measured; the
// line counts as known only up to this far back. Costs nothing on a frame's
// edges: only the capture's timeouts wait for it.
constexpr int64_t KERNEL_DELAY_NS = 50'000'000;
// Asked of the driver, so that it hands over a frame soon after its end.
constexpr uint32_t IDLE_TIMEOUT_US = 10'000;

void report(const std::string& path, const std::string& what) {
    std::fprintf(stderr, "port: %s: %s\n", path.c_str(), what.c_str());
}

class LircDevice final : public ReceiverPort {
public:
    LircDevice(int fd, std::string path)
        : fd_(fd),
          path_(std::move(path)),
          wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
          record_(EdgeSourceKind::kernel, monotonicNowNs() - KERNEL_DELAY_NS,
                  [this] {
                      const int64_t complete = completeUnlessPending(fd_, reading_, monotonicNowNs());
                      return complete == INT64_MIN ? complete : complete - KERNEL_DELAY_NS;
                  }),
          timeline_(record_) {
        if (wakeFd_ >= 0) thread_ = std::thread([this] { run(); });
        else gone("cannot start its reader");
    }
    ~LircDevice() override { close(); }

    bool escape(LineFunction) override { return true; }
    bool modemStatus(uint32_t& status) override {
        status = high_ ? static_cast<uint32_t>(ModemLine::carrier) : 0;
        return true;
    }
    LineEdges* edges() override { return &record_; }

    bool close() override {
        if (thread_.joinable()) {
            const uint64_t one = 1;
            (void)!write(wakeFd_, &one, sizeof one);
            thread_.join();
        }
        if (wakeFd_ >= 0) ::close(wakeFd_);
        wakeFd_ = -1;
        if (fd_ < 0) return false;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }

private:
    void run() {
        askForRealtimePriority();
        uint8_t buffer[4096];
        size_t held = 0;  // bytes of a word not yet complete
        while (true) {
            pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return gone(std::strerror(errno));
            }
            if (fds[1].revents != 0) return;
            ++reading_;
            const ssize_t got = ::read(fd_, buffer + held, sizeof buffer - held);
            const int error = errno;
            const int64_t now = monotonicNowNs();
            if (got > 0) {
                held += size_t(got);
                uint32_t words[sizeof buffer / 4];
                const size_t count = held / 4;
                std::memcpy(words, buffer, count * 4);
                timeline_.take(words, count, now);
                std::memmove(buffer, buffer + count * 4, held - count * 4);
                held -= count * 4;
                high_ = timeline_.high();
            }
            --reading_;
            if (got == 0) return gone("the receiver went away");
            if (got < 0 && error != EAGAIN && error != EINTR) return gone(std::strerror(error));
        }
    }

    // The receiver is gone (unplugged): the line reads as nothing attached.
    void gone(const std::string& why) {
        report(path_, "IR receiver lost: " + why);
        high_ = false;
        record_.markFailed();
    }

    int fd_;
    std::string path_;
    int wakeFd_;
    std::atomic<int> reading_ = 0;
    std::atomic<bool> high_ = true;
    EdgeRecord record_;
    Mode2Timeline timeline_;
    std::thread thread_;
};

}  // namespace

namespace {

int64_t lengthOf(uint32_t word) { return int64_t(LIRC_VALUE(word)) * 1000; }
bool measuresTheLine(uint32_t word) {
    return LIRC_IS_PULSE(word) || LIRC_IS_SPACE(word) || LIRC_IS_TIMEOUT(word);
}

}  // namespace

void Mode2Timeline::take(const uint32_t* words, size_t count, int64_t readNs) {
    for (size_t i = 0; i < count; ++i) {
        if (!synced_ && (LIRC_IS_PULSE(words[i]) || LIRC_IS_SPACE(words[i]))) {
            // Everything the read brought after this word follows it on the
            // line; a carrier report in between measures nothing.
            int64_t after = 0;
            for (size_t j = i + 1; j < count; ++j)
                if (measuresTheLine(words[j])) after += lengthOf(words[j]);
            synced_ = true;
            last_ = readNs - after - lengthOf(words[i]);
        }
        take(words[i], readNs);
    }
}

void Mode2Timeline::take(uint32_t word, int64_t readNs) {
    const int64_t length = lengthOf(word);
    switch (LIRC_MODE2(word)) {
        case LIRC_MODE2_PULSE:
            if (high_) change(false, last_);
            change(true, last_ += length);
            break;
        case LIRC_MODE2_SPACE: change(false, last_ += length); break;
        case LIRC_MODE2_TIMEOUT: idle(readNs); break;
        case LIRC_MODE2_OVERFLOW:
            record_.markLost();
            idle(readNs);
            break;
        default: break;  // carrier reports and the like
    }
}

void Mode2Timeline::idle(int64_t readNs) {
    synced_ = false;
    change(true, readNs);
}

void Mode2Timeline::change(bool high, int64_t at) {
    if (high == high_) return;
    high_ = high;
    record_.add(at, high);
}

std::unique_ptr<SerialDevice> lircReceiverOn(int fd, const std::string& path) {
    return std::make_unique<LircDevice>(fd, path);
}

std::unique_ptr<SerialDevice> openLircReceiver(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        report(path, std::string("cannot open the IR receiver: ") + std::strerror(errno));
        return nullptr;
    }
    uint32_t features = 0;
    uint32_t mode = LIRC_MODE_MODE2;
    if (ioctl(fd, LIRC_GET_FEATURES, &features) != 0 || (features & LIRC_CAN_REC_MODE2) == 0 ||
        ioctl(fd, LIRC_SET_REC_MODE, &mode) != 0) {
        report(path, "not an IR receiver that reports pulse lengths (LIRC mode2)");
        ::close(fd);
        return nullptr;
    }
    // Best effort: a driver that refuses keeps its own timeout and reports.
    uint32_t timeout = IDLE_TIMEOUT_US;
    ioctl(fd, LIRC_SET_REC_TIMEOUT, &timeout);
    uint32_t on = 1;
    ioctl(fd, LIRC_SET_REC_TIMEOUT_REPORTS, &on);
    return lircReceiverOn(fd, path);
}

}  // namespace port
