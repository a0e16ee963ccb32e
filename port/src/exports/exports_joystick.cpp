// Joystick group: not built yet; every export gives its "nothing" value.
#include "port.h"

extern "C" {
PORT_API void PORT_CALL JOYSTICK(int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*) {}
PORT_API int32_t PORT_CALL JOYBUTTON(void) { return 0; }
PORT_API int32_t PORT_CALL JOYV(void) { return 0; }
PORT_API int32_t PORT_CALL JOYU(void) { return 0; }
PORT_API int32_t PORT_CALL JOYR(void) { return 0; }
PORT_API int32_t PORT_CALL JOYZ(void) { return 0; }
PORT_API int32_t PORT_CALL JOYY(void) { return 0; }
PORT_API int32_t PORT_CALL JOYX(void) { return 0; }
}
