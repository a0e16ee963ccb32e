// Direct I/O port group: one byte in or out per call.
#include "fault.h"
#include "ioport.h"
#include "port.h"

using port::guarded;
using port::ioPorts;

extern "C" {

PORT_API void PORT_CALL OUTPORT(int32_t address, int32_t value) {
    guarded([&] { ioPorts().out(address, value); });
}

PORT_API int32_t PORT_CALL INPORT(int32_t address) {
    return guarded(port::refusedInput, [&] { return ioPorts().in(address); });
}

}
