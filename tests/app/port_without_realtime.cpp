// A port library that lacks REALTIME, to see how a missing function is
// reported. Every other function does nothing.
#include "port.h"

extern "C" {
PORT_API void PORT_CALL DELAYUS(int32_t) {}
PORT_API int32_t PORT_CALL TIMEREADUS(void) { return 0; }
PORT_API void PORT_CALL TIMEINITUS(void) {}
PORT_API int32_t PORT_CALL TIMEREAD(void) { return 0; }
PORT_API void PORT_CALL TIMEINIT(void) {}
PORT_API void PORT_CALL DTR(int32_t) {}
PORT_API void PORT_CALL TXD(int32_t) {}
PORT_API void PORT_CALL RTS(int32_t) {}
PORT_API int32_t PORT_CALL DCD(void) { return 1; }
PORT_API int32_t PORT_CALL RI(void) { return 0; }
PORT_API int32_t PORT_CALL CTS(void) { return 0; }
PORT_API int32_t PORT_CALL DSR(void) { return 0; }
PORT_API void PORT_CALL SENDBYTE(int32_t) {}
PORT_API int32_t PORT_CALL READBYTE(void) { return -1; }
PORT_API int32_t PORT_CALL CLOSECOM(void) { return 0; }
PORT_API int32_t PORT_CALL OPENCOM(const char*) { return 0; }
PORT_API void PORT_CALL DELAY(int32_t) {}
}
