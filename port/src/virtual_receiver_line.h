// The DCD line of the virtual IR receiver, as a function of time: each burst
// of line levels (an IR frame as a real receiver shows it) is drawn at the
// moment its sender chose, then the line is quiet (high). Knows no clock and
// no socket, so its waveform is checked in virtual time. It holds only the
// bursts not yet over, whether or not anyone asks for the level.
//
// Times are on the library's counter (the one TIMEREADUS reads and edges are
// timed on): nanoseconds on Linux, the performance counter's units on
// Windows. CounterRate turns lengths into counts.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "virtual_receiver_protocol.h"

namespace port::virtual_receiver {

// A counter that counts `perSecond` a second.
struct CounterRate {
    int64_t perSecond = 1'000'000'000;

    // `ns` nanoseconds in counts, without overflow for any length of an IR
    // frame or a pause.
    int64_t fromNs(int64_t ns) const {
        constexpr int64_t NS = 1'000'000'000;
        return ns / NS * perSecond + ns % NS * perSecond / NS;
    }
};

class Line {
public:
    // Quiet line between the last pulse of one frame and the next header, so
    // that the capture is back in its header search before the next frame.
    static constexpr int64_t MIN_QUIET_NS = 4'000'000;
    // A frame that cannot begin within this time of its own start, because
    // the line still carries the frames before it, is lost: bursts of two
    // remotes at once garble each other at a real receiver too.
    static constexpr int64_t MAX_DELAY_NS = 50'000'000;

    explicit Line(CounterRate rate = {})
        : rate_(rate), minQuiet_(rate.fromNs(MIN_QUIET_NS)), maxDelay_(rate.fromNs(MAX_DELAY_NS)) {}

    struct Level {
        int64_t end;  // the level holds until here
        bool low;
    };

    // Draws the levels `stretches` from `start` on, or as soon after it as
    // the bursts before allow. A burst that would begin at or before a moment
    // the line was already asked about (its sender ran late) begins just
    // after it, whole: the levels already told are never rewritten, and the
    // burst is not cut short. False when the burst collided and is lost.
    bool schedule(const std::vector<Stretch>& stretches, int64_t start);

    // True while the line is low (the receiver sees an IR burst) at `now`.
    // Frames that ended before `now` are forgotten, so ask with times that
    // do not go back.
    bool lowAt(int64_t now);

    // Forgets the frames over by `now`, for a line whose level nobody asks
    // (its edges are read instead); the collision rules still hold.
    void forgetBefore(int64_t now);

    // Where the latest scheduled frame begins (after any delay it was given),
    // and its levels.
    int64_t lastStart() const { return frames_.empty() ? 0 : frames_.back().start; }
    const std::vector<Level>& lastLevels() const { return frames_.back().levels; }

    // Frames scheduled and not yet over.
    std::size_t pendingFrames() const { return frames_.size(); }

private:
    struct DrawnFrame {
        int64_t start;
        std::vector<Level> levels;  // in order; the line is high after the last
        std::size_t current = 0;    // first level not yet over at the last query
        int64_t end() const { return levels.back().end; }
    };
    CounterRate rate_;
    int64_t minQuiet_;
    int64_t maxDelay_;
    std::deque<DrawnFrame> frames_;
    int64_t lastEnd_ = INT64_MIN;  // where the latest frame ends, even once it is forgotten
    int64_t asked_ = INT64_MIN;    // the latest moment lowAt was asked about
};

}  // namespace port::virtual_receiver
