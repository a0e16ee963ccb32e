// The virtual receiver's timed edges: every burst the receiver puts on its
// line is also turned into the line's changes at their exact moments, and a
// thread of its own hands them to the edge record once their moment has
// come, a burst's changes together when it ends. The same thread takes new
// bursts from the socket, so frames are recorded even while no one polls DCD.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "edge_record.h"
#include "timing_system.h"
#include "virtual_receiver_line.h"
#include "virtual_receiver_system.h"

namespace port::virtual_receiver {

class LineRecorder {
public:
    // `pickUp(now)` takes waiting bursts from `socket`; it and every other
    // call here run under `deviceMutex`, the device's one lock. Times are
    // on `clock`'s counter.
    LineRecorder(ReceiverSocket& socket, TimingSystem& clock, std::mutex& deviceMutex,
                 std::function<void(int64_t)> pickUp);
    ~LineRecorder();
    LineRecorder(const LineRecorder&) = delete;
    LineRecorder& operator=(const LineRecorder&) = delete;

    // Takes waiting bursts from the socket (the device's pickUp, counted so
    // that the record never calls the line complete while a burst is on
    // its way from the socket to the line).
    void pickUp(int64_t now);

    // Up to when the record has told its callers the line is known.
    int64_t toldUntil() const { return record_.completeSoFar(); }
    // A burst drawn on the line from `start` with `levels`.
    void schedule(int64_t start, const std::vector<Line::Level>& levels);
    // The receiver's supply (RTS on, DTR off) switched at `now`: without it
    // DCD reads 0 whatever the line does.
    void setPowered(bool powered, int64_t now);

    // Ends the thread; no change is recorded afterwards. Call without the lock.
    void stop();

    LineEdges& edges() { return record_; }

private:
    void run();
    void release(int64_t now);
    void noteNextDue();
    // The last change of the burst that holds the next change due.
    int64_t burstEnd() const;
    int64_t completeNow() const;

    ReceiverSocket& socket_;
    TimingSystem& clock_;
    const CounterRate rate_;
    std::mutex& mutex_;
    std::function<void(int64_t)> pickUp_;
    EdgeRecord record_;
    std::deque<LineEdge> due_;  // the line's own changes, not yet reached
    // Read without the device's lock by the record: the first change not
    // yet recorded, and how many pick-ups are under way.
    std::atomic<int64_t> nextDue_ = INT64_MAX;
    std::atomic<int> picking_ = 0;
    bool lineHigh_ = true;
    bool powered_ = false;
    std::thread thread_;
};

}  // namespace port::virtual_receiver
