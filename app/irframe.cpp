#include "app/irframe.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace rumblet::irframe {

namespace {

void require(bool ok, const std::string& what) {
    if (!ok) throw std::invalid_argument("IR frame: " + what);
}

// Writes `value` into bits first..last, `first` most significant.
void putField(IrFrame& frame, int first, int last, int value) {
    for (int i = last; i >= first; --i) {
        frame[i] = static_cast<int16_t>(value & 1);
        value >>= 1;
    }
}

IrFrame frameOf(int controller) {
    require(controller >= 0 && controller <= 3, "controller number must be 0-3");
    IrFrame frame{};
    putField(frame, 1, 2, controller);
    return frame;
}

void putSpeed(IrFrame& frame, int signBit, int speed) {
    require(speed >= -15 && speed <= 15, "speed must be -15..15");
    frame[signBit] = speed < 0 ? 1 : 0;
    putField(frame, signBit + 1, signBit + 4, std::abs(speed));
}

}  // namespace

void setParity(IrFrame& frame) {
    int ones = 0;
    for (int i = 0; i < FRAME_BITS - 1; ++i) ones += frame[i];
    frame[FRAME_BITS - 1] = static_cast<int16_t>(ones % 2);
}

IrFrame firstStartFrame(int controller, int model) {
    require(model >= 0 && model <= 31, "model number must be 0-31");
    IrFrame frame = frameOf(controller);
    frame[13] = 1;
    frame[12] = static_cast<int16_t>(model >> 4);
    putField(frame, 4, 7, model & 15);
    setParity(frame);
    return frame;
}

IrFrame secondStartFrame(int controller, const Announcement& announcement) {
    IrFrame frame = frameOf(controller);
    frame[13] = 1;
    frame[16] = 1;
    frame[11] = announcement.mode == Mode::Munition ? 1 : 0;
    frame[12] = announcement.mode == Mode::Ladezeit ? 1 : 0;
    frame[7] = announcement.single ? 1 : 0;
    frame[4] = frame[5] = announcement.newModel ? 1 : 0;
    setParity(frame);
    return frame;
}

IrFrame ordinaryFrame(int controller, const Command& command) {
    IrFrame frame = frameOf(controller);
    putSpeed(frame, 3, command.speed1);
    putSpeed(frame, 8, command.speed2);
    frame[14] = command.fire ? 1 : 0;
    frame[15] = command.turret ? 1 : 0;
    setParity(frame);
    return frame;
}

PulseTrain pulseTrain(const IrFrame& frame, int32_t idleAfterUs) {
    PulseTrain train;
    train.reserve(2 * FRAME_BITS + 2);
    train.push_back({true, timing::HEADER_US});
    for (int16_t bit : frame) {
        train.push_back({false, bit ? timing::ONE_GAP_US : timing::ZERO_GAP_US});
        train.push_back({true, timing::PULSE_US});
    }
    if (idleAfterUs > 0) train.push_back({false, idleAfterUs});
    return train;
}

int64_t durationUs(const PulseTrain& train) {
    int64_t total = 0;
    for (const auto& level : train) total += level.microseconds;
    return total;
}

}  // namespace rumblet::irframe
