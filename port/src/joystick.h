// Joystick group: position and buttons of the first joystick, one fresh
// query per call, nothing kept between calls.
#pragma once

#include <cstdint>

#include "joystick_system.h"

namespace port {

class Joystick {
public:
    explicit Joystick(JoystickSystem& system);

    // The field of one query with that request (JOYX .. JOYV, JOYBUTTON).
    int32_t read(JoystickRequest request);
    // JOYSTICK: all seven values from one query, written in the order
    // x, y, z, r, u, v, buttons; a null pointer is skipped.
    void readAll(int32_t* x, int32_t* y, int32_t* z, int32_t* r, int32_t* u, int32_t* v,
                 int32_t* buttons);

private:
    JoystickReading query(uint32_t request);

    JoystickSystem& system_;
};

Joystick& joystick();

}  // namespace port
