#include "remote.h"

#include <algorithm>

namespace irremote {

namespace frames = rumblet::irframe;

void Remote::switchOn(int n, int model, const Announcement& announcement) {
    ControllerState& c = controllers_.at(size_t(n));
    c = ControllerState{};
    c.on = true;
    c.model = model;
    c.announcement = announcement;
    c.startFramesLeft = 2 * START_REPEATS;
    lastSentNs_[size_t(n)].reset();
}

void Remote::switchOff(int n) {
    ControllerState& c = controllers_.at(size_t(n));
    c.on = false;
    c.left = c.right = 0;
    c.turret = false;
    c.startFramesLeft = c.fireFramesLeft = 0;
}

void Remote::setTracks(int n, int left, int right) {
    ControllerState& c = controllers_.at(size_t(n));
    c.left = std::clamp(left, -MAX_SPEED, MAX_SPEED);
    c.right = std::clamp(right, -MAX_SPEED, MAX_SPEED);
}

void Remote::setTurret(int n, bool turning) { controllers_.at(size_t(n)).turret = turning; }

void Remote::fire(int n) { ++controllers_.at(size_t(n)).fireFramesLeft; }

// A fire or turret frame carries no speeds: the program takes the fire and
// turret bits only from frames whose first speed is 0, and the speeds only
// from frames without fire and turret bits. The tank keeps its last speeds
// meanwhile.
IrFrame Remote::frameFor(int n) const {
    const ControllerState& c = controllers_.at(size_t(n));
    if (c.startFramesLeft > START_REPEATS) return frames::firstStartFrame(n, c.model);
    if (c.startFramesLeft > 0) return frames::secondStartFrame(n, c.announcement);
    if (c.fireFramesLeft > 0) return frames::ordinaryFrame(n, {0, 0, true, false});
    if (c.turret) return frames::ordinaryFrame(n, {0, 0, false, true});
    return frames::ordinaryFrame(n, {c.right, c.left, false, false});
}

void Remote::consumeFrame(int n) {
    ControllerState& c = controllers_.at(size_t(n));
    if (c.startFramesLeft > 0) --c.startFramesLeft;
    else if (c.fireFramesLeft > 0) --c.fireFramesLeft;
}

std::optional<TimedFrame> Remote::nextFrame(int64_t nowNs) {
    if (lineLastNs_ && nowNs - *lineLastNs_ < LINE_SPACING_NS) return std::nullopt;
    for (int k = 0; k < CONTROLLERS; ++k) {
        const int n = (nextTurn_ + k) % CONTROLLERS;
        const auto& last = lastSentNs_[size_t(n)];
        if (!controllers_[size_t(n)].on || (last && nowNs - *last < FRAME_PERIOD_NS)) continue;
        TimedFrame sent{nowNs, n, frameFor(n)};
        consumeFrame(n);
        lastSentNs_[size_t(n)] = nowNs;
        lineLastNs_ = nowNs;
        nextTurn_ = (n + 1) % CONTROLLERS;
        return sent;
    }
    return std::nullopt;
}

}  // namespace irremote
