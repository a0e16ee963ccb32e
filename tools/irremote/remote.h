// The virtual remote controls: what the players hold on up to four remotes,
// and the IR frames that follows from it, paced as real remotes send them.
// Knows no clock and no socket; the caller asks for the frames due now.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "irframe/irframe.h"

namespace irremote {

using rumblet::irframe::Announcement;
using rumblet::irframe::IrFrame;
using rumblet::irframe::Mode;

inline constexpr int CONTROLLERS = 4;
inline constexpr int MAX_SPEED = 15;

// What the player of one remote holds.
struct ControllerState {
    bool on = false;
    int model = 1;
    Announcement announcement;
    int left = 0;   // left track, -15..15: the frame's speed2 (left column of the display)
    int right = 0;  // right track, -15..15: the frame's speed1
    bool turret = false;
    int startFramesLeft = 0;  // start frames still to send
    int fireFramesLeft = 0;   // fire frames still to send
};

struct TimedFrame {
    int64_t atNs;
    int controller;
    IrFrame frame;
};

class Remote {
public:
    // Each remote repeats its frame at this interval while it is on, as a
    // real one does while a key is held (the receiver's watchdog needs a
    // frame at least every 1.5 s).
    static constexpr int64_t FRAME_PERIOD_NS = 80'000'000;
    // Frames of different remotes keep this far apart on the line (a frame
    // lasts at most 30 ms): with more remotes on, each sends less often.
    static constexpr int64_t LINE_SPACING_NS = 40'000'000;
    // Each start frame is sent this many times, so one lost frame does not
    // leave the tank without its engine.
    static constexpr int START_REPEATS = 2;

    // Switches remote n on: it announces itself with its two start frames
    // (model 0-31 and the game mode), then sends its ordinary frames.
    void switchOn(int n, int model, const Announcement& announcement);
    // Remote n falls silent; the program's watchdog then stops its engine.
    void switchOff(int n);
    // Track speeds, each clamped to -15..15.
    void setTracks(int n, int left, int right);
    void setTurret(int n, bool turning);
    // One press of the fire key: the remote's next frame is a fire frame.
    void fire(int n);

    const ControllerState& state(int n) const { return controllers_.at(size_t(n)); }

    // The next frame due at `nowNs`, if any: remotes take turns on the line,
    // each at most once per FRAME_PERIOD_NS, frames at least LINE_SPACING_NS
    // apart.
    std::optional<TimedFrame> nextFrame(int64_t nowNs);

    // The frame remote n sends next (start, fire, turret or drive frame).
    IrFrame frameFor(int n) const;

private:
    void consumeFrame(int n);

    std::array<ControllerState, CONTROLLERS> controllers_{};
    std::array<std::optional<int64_t>, CONTROLLERS> lastSentNs_{};
    std::optional<int64_t> lineLastNs_;
    int nextTurn_ = 0;
};

}  // namespace irremote
