// The edge exports: the open port's timed DCD changes, through the
// library's one SerialPort and stopwatch.
#include "fault.h"
#include "library.h"
#include "line_edges.h"
#include "port.h"

using port::guarded;
using port::library;

extern "C" {
PORT_API int32_t PORT_CALL EDGES(void) { return guarded(0, [] { return port::edgeSourceOf(library().serial); }); }
PORT_API int32_t PORT_CALL EDGEREAD(int32_t* time) {
    return guarded(-1, [&] { return port::readEdge(library().serial, library().timing, time); });
}
PORT_API int32_t PORT_CALL EDGEWAIT(int32_t ms) {
    return guarded(-1, [&] { return port::waitForEdge(library().serial, ms); });
}
}
