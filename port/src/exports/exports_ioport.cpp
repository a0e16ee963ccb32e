// Direct I/O port group: not built yet.
#include "port.h"

extern "C" {
PORT_API void PORT_CALL OUTPORT(int32_t, int32_t) {}
PORT_API int32_t PORT_CALL INPORT(int32_t) { return 0xFF; }
}
