#include "joystick.h"
#include "no_destructor.h"

namespace port {

namespace {

uint32_t field(const JoystickReading& reading, JoystickRequest request) {
    switch (request) {
        case joyX: return reading.x;
        case joyY: return reading.y;
        case joyZ: return reading.z;
        case joyR: return reading.r;
        case joyU: return reading.u;
        case joyV: return reading.v;
        case joyButtons: return reading.pressedButtons;
        default: return 0;
    }
}

void store(int32_t* target, uint32_t value) {
    if (target) *target = static_cast<int32_t>(value);
}

}  // namespace

Joystick::Joystick(JoystickSystem& system) : system_(system) {}

// Without joystick 1 (or when the query fails) every value is 0, not
// whatever an unfilled record would hold.
JoystickReading Joystick::query(uint32_t request) {
    JoystickReading reading;
    if (!system_.query(request, reading)) reading = JoystickReading{};
    return reading;
}

int32_t Joystick::read(JoystickRequest request) {
    return static_cast<int32_t>(field(query(request), request));
}

void Joystick::readAll(int32_t* x, int32_t* y, int32_t* z, int32_t* r, int32_t* u, int32_t* v,
                       int32_t* buttons) {
    const JoystickReading reading = query(joyAll);
    store(x, reading.x);
    store(y, reading.y);
    store(z, reading.z);
    store(r, reading.r);
    store(u, reading.u);
    store(v, reading.v);
    store(buttons, reading.pressedButtons);
}

Joystick& joystick() {
    static NoDestructor<Joystick> stick(platformJoystickSystem());
    return *stick;
}

}  // namespace port
