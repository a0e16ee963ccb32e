// The DCD line of the virtual IR receiver, as a function of time: each burst
// of line levels (an IR frame as a real receiver shows it) is drawn at the
// moment its sender chose, then the line is quiet (high). Knows no clock and
// no socket, so its waveform is checked in virtual time. It holds only the
// bursts not yet over, whether or not anyone asks for the level.
#pragma once

#include <cstddef>
#include <climits>
#include <cstdint>
#include <deque>
#include <vector>

#include "virtual_receiver_protocol.h"

namespace port::virtual_receiver {

class Line {
public:
    // Quiet line between the last pulse of one frame and the next header, so
    // that the capture is back in its header search before the next frame.
    static constexpr int64_t MIN_QUIET_NS = 4'000'000;
    // A frame that cannot begin within this time of its own start, because
    // the line still carries the frames before it, is lost: bursts of two
    // remotes at once garble each other at a real receiver too.
    static constexpr int64_t MAX_DELAY_NS = 50'000'000;

    // Draws the levels `stretches` from `startNs` on, or as soon after it as
    // the bursts before allow. A burst that would begin at or before a moment
    // the line was already asked about (its sender ran late) begins just
    // after it, whole: the levels already told are never rewritten, and the
    // burst is not cut short. False when the burst collided and is lost.
    bool schedule(const std::vector<Stretch>& stretches, int64_t startNs);

    // True while the line is low (the receiver sees an IR burst) at `nowNs`.
    // Frames that ended before `nowNs` are forgotten, so ask with times that
    // do not go back.
    bool lowAt(int64_t nowNs);

    // Forgets the frames over by `nowNs`, for a line whose level nobody asks
    // (its edges are read instead); the collision rules still hold.
    void forgetBefore(int64_t nowNs);

    // Where the latest scheduled frame begins (after any delay it was given).
    int64_t lastStartNs() const { return frames_.empty() ? 0 : frames_.back().startNs; }

    // Frames scheduled and not yet over.
    std::size_t pendingFrames() const { return frames_.size(); }

private:
    struct Level {
        int64_t endNs;  // the level holds until here
        bool low;
    };
    struct DrawnFrame {
        int64_t startNs;
        std::vector<Level> stretches;  // in order; the line is high after the last
        std::size_t current = 0;              // first stretch not yet over at the last query
        int64_t endNs() const { return stretches.back().endNs; }
    };
    std::deque<DrawnFrame> frames_;
    int64_t lastEndNs_ = INT64_MIN;  // where the latest frame ends, even once it is forgotten
    int64_t askedNs_ = INT64_MIN;    // the latest moment lowAt was asked about
};

}  // namespace port::virtual_receiver
