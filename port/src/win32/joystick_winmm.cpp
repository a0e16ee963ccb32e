// Joystick group on Windows: the multimedia joystick query of joystick 1.
#include <windows.h>
#include <mmsystem.h>

#include "joystick_system.h"
#include "no_destructor.h"

namespace port {

namespace {

class WinmmJoystickSystem : public JoystickSystem {
public:
    bool query(uint32_t request, JoystickReading& reading) override {
        JOYINFOEX info{};
        info.dwSize = sizeof info;  // 52
        info.dwFlags = request;
        if (joyGetPosEx(JOYSTICKID1, &info) != JOYERR_NOERROR) return false;
        reading.x = info.dwXpos;
        reading.y = info.dwYpos;
        reading.z = info.dwZpos;
        reading.r = info.dwRpos;
        reading.u = info.dwUpos;
        reading.v = info.dwVpos;
        reading.pressedButtons = info.dwButtonNumber;
        return true;
    }
};

static_assert(sizeof(JOYINFOEX) == 52);

}  // namespace

JoystickSystem& platformJoystickSystem() {
    static NoDestructor<WinmmJoystickSystem> system;
    return *system;
}

}  // namespace port
