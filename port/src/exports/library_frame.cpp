// What every group shares: the last fault for PORTERROR, and the closes
// that loading and unloading the library run.
#include "fault.h"
#include "library.h"
#include "port.h"
#include "wave.h"

namespace port {

void closeAllDevices() {
    library().serial.close();
    waveCloseInput();
    waveCloseOutput();
}

}  // namespace port

extern "C" {
PORT_API int32_t PORT_CALL PORTERROR(void) { return static_cast<int32_t>(port::takeLastFault()); }
}
