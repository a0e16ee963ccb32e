#include "virtual_receiver_line.h"

#include <algorithm>

namespace port::virtual_receiver {

bool Line::schedule(const std::vector<Stretch>& stretches, int64_t startNs) {
    if (stretches.empty()) return true;
    if (askedNs_ != INT64_MIN) startNs = std::max(startNs, askedNs_ + 1);
    if (lastEndNs_ != INT64_MIN) {
        const int64_t earliest = lastEndNs_ + MIN_QUIET_NS;
        if (startNs < earliest) {
            if (earliest - startNs > MAX_DELAY_NS) return false;
            startNs = earliest;
        }
    }
    DrawnFrame drawn{startNs, {}, 0};
    drawn.stretches.reserve(stretches.size());
    int64_t at = startNs;
    for (const auto& level : stretches) {
        at += int64_t(level.microseconds) * 1000;
        drawn.stretches.push_back({at, level.low});
    }
    frames_.push_back(std::move(drawn));
    lastEndNs_ = at;
    return true;
}

void Line::forgetBefore(int64_t nowNs) {
    while (!frames_.empty() && frames_.front().endNs() <= nowNs) frames_.pop_front();
}

bool Line::lowAt(int64_t nowNs) {
    askedNs_ = std::max(askedNs_, nowNs);
    forgetBefore(nowNs);
    if (frames_.empty()) return false;
    DrawnFrame& frame = frames_.front();
    if (nowNs < frame.startNs) return false;
    // The capture polls in time order, so the current stretch only moves on.
    if (frame.current > 0 && nowNs < frame.stretches[frame.current - 1].endNs) frame.current = 0;
    while (frame.stretches[frame.current].endNs <= nowNs) ++frame.current;
    return frame.stretches[frame.current].low;
}

}  // namespace port::virtual_receiver
