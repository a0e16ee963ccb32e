#include "virtual_receiver.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "posix/receiver_port.h"
#include "posix/virtual_receiver_edges.h"

#include "virtual_receiver_client.h"
#include "virtual_receiver_line.h"
#include "virtual_receiver_protocol.h"

namespace port {

namespace {

using virtual_receiver::BurstMessage;

// A burst is meant for the next moments. One whose start lies further from
// now (a sender on the wall clock, a damaged time) would hold the line for
// ever or never show: it is dropped and counted.
constexpr int64_t MAX_START_DISTANCE_NS = 1'000'000'000;
std::atomic<uint64_t> farBursts{0};

// Only the user who opened the port may send frames to it, whatever the
// umask: the file gets its rights as it is made, not after.
bool bindOwnerOnly(int fd, const sockaddr_un& address) {
    const mode_t mask = umask(0177);
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int error = errno;
    umask(mask);
    if (bound) chmod(address.sun_path, 0600);
    errno = error;
    return bound;
}

// A socket file that refuses a connection belongs to a receiver that ended
// without cleaning up; one that accepts belongs to a running program.
bool isStaleSocket(const sockaddr_un& address) {
    struct stat st {};
    if (lstat(address.sun_path, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
    const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool refused = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                         errno == ECONNREFUSED;
    close(probe);
    return refused;
}

class VirtualReceiverDevice final : public ReceiverPort {
public:
    // Between two looks into the socket while DCD is polled. A sender that
    // schedules its frames this far ahead is never seen late; the look
    // itself is the only system call of a DCD poll.
    static constexpr int64_t PICK_UP_INTERVAL_NS = 500'000;

    VirtualReceiverDevice(int fd, std::string path)
        : fd_(fd), path_(std::move(path)), recorder_(fd, mutex_, [this](int64_t now) { pickUpFrames(now); }) {}
    ~VirtualReceiverDevice() override { close(); }

    bool escape(LineFunction function) override {
        std::lock_guard lock(mutex_);
        switch (function) {
            case LineFunction::setRts: rts_ = true; break;
            case LineFunction::clearRts: rts_ = false; break;
            case LineFunction::setDtr: dtr_ = true; break;
            case LineFunction::clearDtr: dtr_ = false; break;
        }
        recorder_.setPowered(rts_ && !dtr_, virtual_receiver::monotonicNowNs());
        return true;
    }

    bool modemStatus(uint32_t& status) override {
        std::lock_guard lock(mutex_);
        const int64_t now = virtual_receiver::monotonicNowNs();
        if (now >= nextPickUpNs_) {
            recorder_.pickUp(now);
            nextPickUpNs_ = now + PICK_UP_INTERVAL_NS;
        }
        const bool powered = rts_ && !dtr_;
        const bool low = line_.lowAt(now);
        status = powered && !low ? static_cast<uint32_t>(ModemLine::carrier) : 0;
        return true;
    }

    LineEdges* edges() override { return &recorder_.edges(); }

    bool close() override {
        recorder_.stop();
        if (fd_ < 0) return false;
        ::close(fd_);
        fd_ = -1;
        unlink(path_.c_str());
        return true;
    }

private:
    // Takes every burst that has arrived and puts it on the line; messages of
    // another kind or size, or with a stretch no receiver could show, are
    // ignored.
    void pickUpFrames(int64_t now) {
        BurstMessage message;
        std::vector<virtual_receiver::Stretch> stretches;
        while (true) {
            const ssize_t got = recv(fd_, &message, sizeof message, MSG_DONTWAIT);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) break;
            if (!virtual_receiver::readBurst(message, size_t(got), stretches)) continue;
            const int64_t start = message.startNs == 0 ? now : message.startNs;
            if (start > now + MAX_START_DISTANCE_NS || start < now - MAX_START_DISTANCE_NS) {
                ++farBursts;
                continue;
            }
            // DCD and the edges show the burst at the same moment: after
            // anything either has told already, and after the bursts before.
            if (line_.schedule(stretches, std::max(start, recorder_.toldUntil() + 1)))
                recorder_.schedule(stretches, line_.lastStartNs());
        }
        // The edges may be all the caller reads: bursts over by now go, or
        // a line whose DCD is never polled would keep every one.
        line_.forgetBefore(now);
    }

    int fd_;
    std::string path_;
    bool rts_ = false;
    bool dtr_ = false;
    int64_t nextPickUpNs_ = 0;
    virtual_receiver::Line line_;
    // The thread that records the line's edges shares the device's state;
    // the lock is uncontended while DCD is polled between its wake-ups.
    std::mutex mutex_;
    virtual_receiver::LineRecorder recorder_;
};

}  // namespace

uint64_t virtualReceiverFarBursts() { return farBursts; }

std::unique_ptr<SerialDevice> openVirtualReceiver(const std::string& socketPath) {
    sockaddr_un address{};
    if (!virtual_receiver::socketAddress(socketPath, address)) return nullptr;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    const auto bindIt = [&] { return bindOwnerOnly(fd, address); };
    bool bound = bindIt();
    if (!bound && errno == EADDRINUSE && isStaleSocket(address)) {
        unlink(address.sun_path);
        bound = bindIt();
    }
    if (!bound) {
        close(fd);
        return nullptr;
    }
    return std::make_unique<VirtualReceiverDevice>(fd, socketPath);
}

}  // namespace port
