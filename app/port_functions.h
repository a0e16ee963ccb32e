// The eighteen functions of the port library that rumblet uses, and the
// three of its timed line edges that it uses where the library has them, as
// one interface: the bound library implements it for the real receiver, and
// the tests put a scripted line in virtual time behind it.
//
// Units and results are those of the library: 32-bit integers, line readers
// 1/0, times in milliseconds (TIMEREAD) and microseconds (TIMEREADUS) since
// the last TIMEINIT or TIMEINITUS. Any call may throw RuntimeError when the
// library or the function cannot be bound.
#pragma once

#include <cstdint>

#include "port/port.h"

namespace rumblet {

class PortFunctions {
public:
    virtual ~PortFunctions() = default;

    // Serial port and modem lines.
    virtual int32_t OPENCOM(const char* mode) = 0;  // port number, 0 on failure
    virtual int32_t CLOSECOM() = 0;
    virtual void SENDBYTE(int32_t value) = 0;
    virtual int32_t READBYTE() = 0;
    virtual void DTR(int32_t flag) = 0;
    virtual void RTS(int32_t flag) = 0;
    virtual void TXD(int32_t flag) = 0;
    virtual int32_t CTS() = 0;
    virtual int32_t DSR() = 0;
    virtual int32_t RI() = 0;
    virtual int32_t DCD() = 0;

    // Stopwatches, waits and priority.
    virtual void DELAY(int32_t ms) = 0;
    virtual void TIMEINIT() = 0;
    virtual void TIMEINITUS() = 0;
    virtual int32_t TIMEREAD() = 0;
    virtual int32_t TIMEREADUS() = 0;
    virtual void DELAYUS(int32_t us) = 0;
    virtual void REALTIME(int32_t flag) = 0;  // non-zero: real-time priority class

    // Timed edges of DCD (port.h). A library without them has none: the
    // defaults answer as a port that records no edges.
    virtual int32_t EDGES() { return 0; }
    virtual int32_t EDGEREAD(int32_t*) { return PORT_EDGE_NO_SOURCE; }
    virtual int32_t EDGEWAIT(int32_t) { return -1; }
};

}  // namespace rumblet
