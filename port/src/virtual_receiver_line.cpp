#include "virtual_receiver_line.h"

#include <algorithm>

namespace port::virtual_receiver {

bool Line::schedule(const std::vector<Stretch>& stretches, int64_t start) {
    if (stretches.empty()) return true;
    if (asked_ != INT64_MIN) start = std::max(start, asked_ + 1);
    if (lastEnd_ != INT64_MIN) {
        const int64_t earliest = lastEnd_ + minQuiet_;
        if (start < earliest) {
            if (earliest - start > maxDelay_) return false;
            start = earliest;
        }
    }
    DrawnFrame drawn{start, {}, 0};
    drawn.levels.reserve(stretches.size());
    // Each end from the burst's start, so that rounding to counts never adds up.
    int64_t ns = 0;
    for (const auto& level : stretches) {
        ns += int64_t(level.microseconds) * 1000;
        drawn.levels.push_back({start + rate_.fromNs(ns), level.low});
    }
    lastEnd_ = drawn.end();
    frames_.push_back(std::move(drawn));
    return true;
}

void Line::forgetBefore(int64_t now) {
    while (!frames_.empty() && frames_.front().end() <= now) frames_.pop_front();
}

bool Line::lowAt(int64_t now) {
    asked_ = std::max(asked_, now);
    forgetBefore(now);
    if (frames_.empty()) return false;
    DrawnFrame& frame = frames_.front();
    if (now < frame.start) return false;
    // The capture polls in time order, so the current level only moves on.
    if (frame.current > 0 && now < frame.levels[frame.current - 1].end) frame.current = 0;
    while (frame.levels[frame.current].end <= now) ++frame.current;
    return frame.levels[frame.current].low;
}

}  // namespace port::virtual_receiver
