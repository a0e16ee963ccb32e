// Joystick group: what the joystick exports need of the operating system.
#pragma once

#include <cstdint>

namespace port {

// Request flags of the system's extended joystick query.
enum JoystickRequest : uint32_t {
    joyX = 0x01,
    joyY = 0x02,
    joyZ = 0x04,
    joyR = 0x08,
    joyU = 0x10,
    joyV = 0x20,
    joyButtons = 0x80,
    joyAll = 0xFF,
};

// One query's answer: axis positions in the system's unsigned range and
// the number of buttons that are down (not the button mask).
struct JoystickReading {
    uint32_t x = 0, y = 0, z = 0, r = 0, u = 0, v = 0;
    uint32_t pressedButtons = 0;
};

class JoystickSystem {
public:
    virtual ~JoystickSystem() = default;
    // Queries joystick 1 for the requested fields; false when it cannot be read.
    virtual bool query(uint32_t request, JoystickReading& reading) = 0;
};

JoystickSystem& platformJoystickSystem();

}  // namespace port
