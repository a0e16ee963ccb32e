#include "edge_record.h"

#include <algorithm>
#include <chrono>

namespace port {

EdgeRecord::EdgeRecord(EdgeSourceKind kind, int64_t startCounter, std::function<int64_t()> completeNow)
    : kind_(kind), completeNow_(std::move(completeNow)), complete_(startCounter) {}

void EdgeRecord::add(int64_t counter, bool high) {
    {
        std::lock_guard lock(mutex_);
        if (failed_) return;
        counter = std::max({counter, complete_, lastEdge_});
        if (count_ == CAPACITY) {
            first_ = (first_ + 1) % CAPACITY;
            --count_;
            lost_ = true;
            lostAfter_ = 0;
        }
        ring_[(first_ + count_) % CAPACITY] = LineEdge{counter, high};
        ++count_;
        lastEdge_ = counter;
        complete_ = std::max(complete_, counter);
    }
    changed_.notify_all();
}

void EdgeRecord::completeUntil(int64_t counter) {
    std::lock_guard lock(mutex_);
    complete_ = std::max(complete_, counter);
}

int64_t EdgeRecord::completeSoFar() const {
    std::lock_guard lock(mutex_);
    return complete_;
}

void EdgeRecord::markLost() {
    {
        std::lock_guard lock(mutex_);
        // Reported after the changes already recorded, where it happened;
        // an earlier loss not yet reported stays where it was.
        if (!lost_) lostAfter_ = count_;
        lost_ = true;
    }
    changed_.notify_all();
}

void EdgeRecord::markFailed() {
    {
        std::lock_guard lock(mutex_);
        failed_ = true;
    }
    changed_.notify_all();
}

EdgeRecord::Next EdgeRecord::take(LineEdge& edge, int64_t& complete) {
    std::lock_guard lock(mutex_);
    if (lost_ && lostAfter_ == 0) {
        lost_ = false;
        return Next::lost;
    }
    if (count_ > 0) {
        if (lost_) --lostAfter_;
        edge = ring_[first_];
        first_ = (first_ + 1) % CAPACITY;
        --count_;
        return Next::edge;
    }
    if (failed_) return Next::failed;
    // Read under the lock, so no change timed before this moment can still
    // be on its way in.
    if (completeNow_) complete_ = std::max(complete_, completeNow_());
    complete = complete_;
    return Next::none;
}

bool EdgeRecord::wait(int64_t timeoutNs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::nanoseconds(std::max<int64_t>(timeoutNs, 0)),
                             [this] { return somethingWaits(); });
}

}  // namespace port
