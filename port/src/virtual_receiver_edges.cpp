#include "virtual_receiver_edges.h"

#include <algorithm>
#include <climits>

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

LineRecorder::LineRecorder(ReceiverSocket& socket, TimingSystem& clock, std::mutex& deviceMutex,
                           std::function<void(int64_t)> pickUp)
    : socket_(socket),
      clock_(clock),
      rate_{clock.counterFrequency()},
      mutex_(deviceMutex),
      pickUp_(std::move(pickUp)),
      record_(EdgeSourceKind::exact, clock.counter(), [this] { return completeNow(); }) {
    thread_ = std::thread([this] { run(); });
}

LineRecorder::~LineRecorder() { stop(); }

void LineRecorder::stop() {
    if (!thread_.joinable()) return;
    socket_.wake();
    thread_.join();
}

void LineRecorder::pickUp(int64_t now) {
    ++picking_;
    pickUp_(now);
    noteNextDue();
    --picking_;
}

void LineRecorder::noteNextDue() { nextDue_ = due_.empty() ? INT64_MAX : due_.front().counter; }

// The line is known up to now unless a burst may still be on its way: in the
// socket, or taken from it and not yet drawn. A burst that arrives later
// begins later too (its sender schedules it ahead, or it begins when it is
// taken). Checked before and after the look into the socket: a pick-up that
// took the burst in between is seen the second time.
int64_t LineRecorder::completeNow() const {
    const int64_t now = clock_.counter();
    if (picking_ != 0 || socket_.pending() || picking_ != 0) return INT64_MIN;
    return std::min(now, nextDue_ - 1);
}

void LineRecorder::schedule(int64_t start, const std::vector<Line::Level>& levels) {
    bool high = true;
    int64_t at = start;
    for (const Line::Level& level : levels) {
        if (level.low == high) due_.push_back({at, !level.low});
        high = !level.low;
        at = level.end;
    }
    if (!high) due_.push_back({at, true});
    noteNextDue();
}

void LineRecorder::setPowered(bool powered, int64_t now) {
    if (powered == powered_) return;
    powered_ = powered;
    if (lineHigh_) record_.add(now, powered);
}

void LineRecorder::release(int64_t now) {
    while (!due_.empty() && due_.front().counter <= now) {
        const LineEdge edge = due_.front();
        due_.pop_front();
        lineHigh_ = edge.high;
        if (powered_) record_.add(edge.counter, edge.high);
    }
    noteNextDue();
}

int64_t LineRecorder::burstEnd() const {
    const int64_t gap = rate_.fromNs(BURST_GAP_NS);
    auto it = due_.begin();
    int64_t end = it->counter;
    for (++it; it != due_.end() && it->counter - end < gap; ++it) end = it->counter;
    return end;
}

void LineRecorder::run() {
    raiseRecorderThread();
    const int64_t quiet = rate_.fromNs(QUIET_REPORT_NS);
    while (true) {
        int64_t sleep;
        {
            std::lock_guard lock(mutex_);
            const int64_t now = clock_.counter();
            pickUp(now);
            release(now);
            sleep = due_.empty() ? quiet : std::clamp<int64_t>(burstEnd() - now, 0, quiet);
        }
        // Counts back to nanoseconds; the wait may round up, never down to a spin.
        const int64_t sleepNs = sleep * 1'000'000'000 / std::max<int64_t>(rate_.perSecond, 1);
        switch (socket_.wait(sleepNs)) {
            case ReceiverSocket::Wake::woken: return;
            case ReceiverSocket::Wake::failed: record_.markFailed(); return;
            case ReceiverSocket::Wake::ready:
            case ReceiverSocket::Wake::timedOut: break;
        }
    }
}

}  // namespace port::virtual_receiver
