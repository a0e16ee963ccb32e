#include "irframe/irframe.h"

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
    putField(frame, bit::CONTROLLER_FIRST, bit::CONTROLLER_LAST, controller);
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
    for (int i = 0; i < bit::PARITY; ++i) ones += frame[i];
    frame[bit::PARITY] = static_cast<int16_t>(ones % 2);
}

IrFrame firstStartFrame(int controller, int model) {
    require(model >= 0 && model <= 31, "model number must be 0-31");
    IrFrame frame = frameOf(controller);
    frame[bit::START_FRAME] = 1;
    frame[bit::MODEL_SIXTEEN] = static_cast<int16_t>(model >> 4);
    putField(frame, bit::MODEL_LOW_FIRST, bit::MODEL_LOW_LAST, model & 15);
    setParity(frame);
    return frame;
}

IrFrame secondStartFrame(int controller, const Announcement& announcement) {
    IrFrame frame = frameOf(controller);
    frame[bit::START_FRAME] = 1;
    frame[bit::TURRET_OR_SECOND_START] = 1;
    frame[bit::MUNITION] = announcement.mode == Mode::Munition ? 1 : 0;
    frame[bit::LADEZEIT] = announcement.mode == Mode::Ladezeit ? 1 : 0;
    frame[bit::SINGLE] = announcement.single ? 1 : 0;
    frame[bit::NEW_MODEL_A] = frame[bit::NEW_MODEL_B] = announcement.newModel ? 1 : 0;
    setParity(frame);
    return frame;
}

IrFrame ordinaryFrame(int controller, const Command& command) {
    IrFrame frame = frameOf(controller);
    putSpeed(frame, bit::SPEED1_SIGN, command.speed1);
    putSpeed(frame, bit::SPEED2_SIGN, command.speed2);
    frame[bit::FIRE] = command.fire ? 1 : 0;
    frame[bit::TURRET] = command.turret ? 1 : 0;
    setParity(frame);
    return frame;
}

uint32_t packFrame(const IrFrame& frame) {
    uint32_t value = 0;
    for (int i = 0; i < FRAME_BITS; ++i)
        if (frame[size_t(i)] != 0) value |= 1u << i;
    return value;
}

IrFrame unpackFrame(uint32_t value) {
    IrFrame frame{};
    for (int i = 0; i < FRAME_BITS; ++i) frame[size_t(i)] = static_cast<int16_t>((value >> i) & 1u);
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
