// The edge record of a port: a ring of timed DCD changes that a source
// thread fills and the caller empties, with the loss and failure marks the
// caller must see. The same on every system; the sources are per system.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "line_edges.h"

namespace port {

class EdgeRecord final : public LineEdges {
public:
    // About 17 s of IR frames sent back to back (37 edges each 40 ms).
    static constexpr std::size_t CAPACITY = 16384;

    // `completeNow` tells, when asked while no change waits, up to when the
    // line is known at that instant (INT64_MIN: no later than before); it is
    // called under the record's lock, so a change added afterwards is timed
    // no earlier. Without it only completeUntil() moves that moment on,
    // which starts at `startCounter`.
    EdgeRecord(EdgeSourceKind kind, int64_t startCounter, std::function<int64_t()> completeNow = {});

    EdgeSourceKind kind() const override { return kind_; }

    // --- the source's side
    // A change at `counter`. A change timed before what the record already
    // said was complete is moved to that moment: the line's past is never
    // rewritten. When the record is full the oldest change is dropped and
    // the loss is reported.
    void add(int64_t counter, bool high);
    // The line held its level up to `counter`: no change before it is still to come.
    void completeUntil(int64_t counter);
    // Up to when the caller has been told the line is known.
    int64_t completeSoFar() const;
    // Changes were lost (the driver's buffer overflowed, a change went unseen).
    void markLost();
    // The source has ended (the device went away).
    void markFailed();

    // --- the caller's side
    Next take(LineEdge& edge, int64_t& complete) override;
    bool wait(int64_t timeoutNs) override;

private:
    bool somethingWaits() const { return count_ > 0 || lost_ || failed_; }

    const EdgeSourceKind kind_;
    const std::function<int64_t()> completeNow_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<LineEdge> ring_ = std::vector<LineEdge>(CAPACITY);
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    int64_t complete_;
    int64_t lastEdge_ = INT64_MIN;
    bool lost_ = false;
    std::size_t lostAfter_ = 0;  // changes still to take before the loss is reported
    bool failed_ = false;
};

}  // namespace port
