#include "posix/virtual_receiver_edges.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "posix/edge_sources.h"
#include "posix/monotonic_clock.h"
#include "virtual_receiver_client.h"

namespace port::virtual_receiver {

namespace {

// The longest sleep of the thread while nothing arrives.
constexpr int64_t QUIET_REPORT_NS = 20'000'000;
// Changes closer together than this belong to one burst (an IR frame's
// longest level is its 2.8 ms header; frames are at least 4 ms apart). A
// burst's changes are handed over together when it ends: their times are
// exact anyway, and one wake-up per frame, for this thread and for the
// caller, is all a frame costs.
constexpr int64_t BURST_GAP_NS = 3'000'000;

}  // namespace

LineRecorder::LineRecorder(int socketFd, std::mutex& deviceMutex, std::function<void(int64_t)> pickUp)
    : socketFd_(socketFd),
      wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      mutex_(deviceMutex),
      pickUp_(std::move(pickUp)),
      record_(EdgeSourceKind::exact, monotonicNowNs(), [this] { return completeNow(); }) {
    // Without its wake-up the thread could not be stopped: no edges then,
    // and the port is polled as before.
    if (wakeFd_ >= 0) thread_ = std::thread([this] { run(); });
    else record_.markFailed();
}

LineRecorder::~LineRecorder() {
    stop();
    if (wakeFd_ >= 0) close(wakeFd_);
}

void LineRecorder::stop() {
    if (!thread_.joinable()) return;
    const uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof one);
    thread_.join();
}

void LineRecorder::pickUp(int64_t nowNs) {
    ++picking_;
    pickUp_(nowNs);
    noteNextDue();
    --picking_;
}

void LineRecorder::noteNextDue() { nextDue_ = due_.empty() ? INT64_MAX : due_.front().counter; }

// The line is known up to now unless a burst may still be on its way: in the
// socket, or taken from it and not yet drawn. A burst that arrives later
// begins later too (its sender schedules it ahead, or it begins when it is
// picked up).
int64_t LineRecorder::completeNow() const {
    return std::min(completeUnlessPending(socketFd_, picking_, monotonicNowNs()), nextDue_ - 1);
}

void LineRecorder::schedule(const std::vector<Stretch>& stretches, int64_t startNs) {
    // A burst that reached the socket after its own start (its sender ran
    // late) begins where the recorded line ends: moved whole, as it would
    // have reached a receiver, not squeezed into the moments already told.
    startNs = std::max(startNs, record_.completeSoFar() + 1);
    bool high = true;
    int64_t at = startNs;
    for (const Stretch& s : stretches) {
        if (s.low == high) due_.push_back({at, !s.low});
        high = !s.low;
        at += int64_t(s.microseconds) * 1000;
    }
    if (!high) due_.push_back({at, true});
    noteNextDue();
}

void LineRecorder::setPowered(bool powered, int64_t nowNs) {
    if (powered == powered_) return;
    powered_ = powered;
    if (lineHigh_) record_.add(nowNs, powered);
}

void LineRecorder::release(int64_t nowNs) {
    while (!due_.empty() && due_.front().counter <= nowNs) {
        const LineEdge edge = due_.front();
        due_.pop_front();
        lineHigh_ = edge.high;
        if (powered_) record_.add(edge.counter, edge.high);
    }
    noteNextDue();
}

int64_t LineRecorder::burstEndNs() const {
    auto it = due_.begin();
    int64_t end = it->counter;
    for (++it; it != due_.end() && it->counter - end < BURST_GAP_NS; ++it) end = it->counter;
    return end;
}

void LineRecorder::run() {
    askForRealtimePriority();
    while (true) {
        int64_t sleepNs;
        {
            std::lock_guard lock(mutex_);
            const int64_t now = monotonicNowNs();
            pickUp(now);
            release(now);
            sleepNs = due_.empty() ? QUIET_REPORT_NS : std::clamp<int64_t>(burstEndNs() - now, 0, QUIET_REPORT_NS);
        }
        pollfd fds[2] = {{socketFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const timespec timeout{time_t(sleepNs / 1'000'000'000), long(sleepNs % 1'000'000'000)};
        ppoll(fds, 2, &timeout, nullptr);
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            record_.markFailed();
            return;
        }
    }
}

}  // namespace port::virtual_receiver
