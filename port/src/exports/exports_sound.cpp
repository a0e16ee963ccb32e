// Sound card group: not built yet; every export gives its "nothing" value.
#include "port.h"
#include "wave.h"

namespace port {
void waveCloseInput() {}
void waveCloseOutput() {}
}  // namespace port

extern "C" {
PORT_API void PORT_CALL SSOUNDOUT(void*, int32_t) {}
PORT_API void PORT_CALL SSOUNDIN(void*, int32_t) {}
PORT_API int32_t PORT_CALL SOUNDSETBYTES(int32_t n) { return n == 1 ? 1 : 2; }
PORT_API int32_t PORT_CALL SOUNDGETBYTES(void) { return 1; }
PORT_API int32_t PORT_CALL SOUNDSETRATE(int32_t) { return 11025; }
PORT_API int32_t PORT_CALL SOUNDGETRATE(void) { return 11025; }
PORT_API int32_t PORT_CALL SOUNDBUSY(void) { return 0; }
PORT_API void PORT_CALL SOUNDOUT(void*, int32_t) {}
PORT_API void PORT_CALL SOUNDIN(void*, int32_t) {}
PORT_API void PORT_CALL SOUNDCAPOUT(void) {}
PORT_API void PORT_CALL SOUNDCAPIN(void) {}
PORT_API int32_t PORT_CALL SOUNDIS(void) { return 0; }
}
