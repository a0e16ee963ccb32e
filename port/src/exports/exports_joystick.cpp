// Joystick group: each export is one query of joystick 1; whatever stops
// it gives 0 and the reason for PORTERROR.
#include "fault.h"
#include "joystick.h"
#include "port.h"

using port::guarded;
using port::joystick;

extern "C" {

PORT_API void PORT_CALL JOYSTICK(int32_t* x, int32_t* y, int32_t* z, int32_t* r, int32_t* u,
                                 int32_t* v, int32_t* buttons) {
    guarded([&] { joystick().readAll(x, y, z, r, u, v, buttons); });
}

PORT_API int32_t PORT_CALL JOYBUTTON(void) { return guarded(0, [] { return joystick().read(port::joyButtons); }); }
PORT_API int32_t PORT_CALL JOYV(void) { return guarded(0, [] { return joystick().read(port::joyV); }); }
PORT_API int32_t PORT_CALL JOYU(void) { return guarded(0, [] { return joystick().read(port::joyU); }); }
PORT_API int32_t PORT_CALL JOYR(void) { return guarded(0, [] { return joystick().read(port::joyR); }); }
PORT_API int32_t PORT_CALL JOYZ(void) { return guarded(0, [] { return joystick().read(port::joyZ); }); }
PORT_API int32_t PORT_CALL JOYY(void) { return guarded(0, [] { return joystick().read(port::joyY); }); }
PORT_API int32_t PORT_CALL JOYX(void) { return guarded(0, [] { return joystick().read(port::joyX); }); }

}
