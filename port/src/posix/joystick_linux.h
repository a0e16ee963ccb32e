// Joystick group on Linux: joystick 1 is the joystick device js0 of the
// Linux joystick interface (struct js_event records).
#pragma once

#include <cstdint>
#include <string>

#include "joystick_system.h"

namespace port {

// An axis value of the Linux interface (-32767..32767) in the range that
// programs of the library's other platform see (0..65535, centre 32768).
uint32_t scaleJoystickAxis(int16_t value);

class LinuxJoystickSystem : public JoystickSystem {
public:
    explicit LinuxJoystickSystem(std::string device = "/dev/input/js0");
    // Opens the device without blocking and reads every record it has: the
    // driver starts each reader with one record per axis and button telling
    // its current state, so the last record of each is the state now.
    bool query(uint32_t request, JoystickReading& reading) override;

private:
    std::string device_;
};

}  // namespace port
