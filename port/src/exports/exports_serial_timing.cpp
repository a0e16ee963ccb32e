// The serial and timing exports: each hands its call to the library's one
// SerialPort or Timing, with faults turned into the call's "nothing" value.
#include "fault.h"
#include "library.h"
#include "port.h"

using port::guarded;
using port::library;
using port::ModemLine;

extern "C" {
PORT_API void PORT_CALL REALTIME(int32_t flag) { guarded([&] { library().timing.realtime(flag); }); }
PORT_API void PORT_CALL DELAYUS(int32_t us) { guarded([&] { library().timing.delayMicroseconds(us); }); }
PORT_API int32_t PORT_CALL TIMEREADUS(void) { return guarded(0, [] { return library().timing.readMicroseconds(); }); }
PORT_API void PORT_CALL TIMEINITUS(void) { guarded([] { library().timing.startMicroseconds(); }); }
PORT_API int32_t PORT_CALL TIMEREAD(void) { return guarded(0, [] { return library().timing.readMilliseconds(); }); }
PORT_API void PORT_CALL TIMEINIT(void) { guarded([] { library().timing.startMilliseconds(); }); }
PORT_API void PORT_CALL DELAY(int32_t ms) { guarded([&] { library().timing.delay(ms); }); }

PORT_API void PORT_CALL DTR(int32_t flag) { guarded([&] { library().serial.setDtr(flag); }); }
PORT_API void PORT_CALL TXD(int32_t flag) { guarded([&] { library().serial.setBreak(flag); }); }
PORT_API void PORT_CALL RTS(int32_t flag) { guarded([&] { library().serial.setRts(flag); }); }
PORT_API int32_t PORT_CALL DCD(void) { return guarded(0, [] { return library().serial.lineIsSet(ModemLine::carrier); }); }
PORT_API int32_t PORT_CALL RI(void) { return guarded(0, [] { return library().serial.lineIsSet(ModemLine::ring); }); }
PORT_API int32_t PORT_CALL CTS(void) { return guarded(0, [] { return library().serial.lineIsSet(ModemLine::cts); }); }
PORT_API int32_t PORT_CALL DSR(void) { return guarded(0, [] { return library().serial.lineIsSet(ModemLine::dsr); }); }
PORT_API int32_t PORT_CALL TIMEOUT(int32_t ms) { return guarded(-1, [&] { return library().serial.setTimeout(ms); }); }
PORT_API void PORT_CALL SENDBYTE(int32_t value) { guarded([&] { library().serial.sendByte(value); }); }
PORT_API int32_t PORT_CALL READBYTE(void) { return guarded(-1, [] { return library().serial.readByte(); }); }
PORT_API int32_t PORT_CALL CLOSECOM(void) { return guarded(0, [] { return library().serial.close(); }); }
PORT_API int32_t PORT_CALL OPENCOM(const char* mode) { return guarded(0, [&] { return library().serial.open(mode); }); }
}
