#include "line_edges.h"

#include "fault.h"
#include "port.h"
#include "serial.h"
#include "timing.h"

namespace port {

int32_t edgeSourceOf(SerialPort& serial) {
    LineEdges* edges = serial.edges();
    return static_cast<int32_t>(edges ? edges->kind() : EdgeSourceKind::none);
}

int32_t readEdge(SerialPort& serial, Timing& timing, int32_t* time) {
    LineEdges* edges = serial.edges();
    if (!edges) return PORT_EDGE_NO_SOURCE;
    if (time == nullptr) raise(Fault::range);
    LineEdge edge;
    int64_t complete = 0;
    switch (edges->take(edge, complete)) {
        case LineEdges::Next::edge:
            *time = timing.wrappedMicrosecondsAt(edge.counter);
            return edge.high ? 1 : 0;
        case LineEdges::Next::none:
            *time = timing.wrappedMicrosecondsAt(complete);
            return PORT_EDGE_NONE_WAITING;
        case LineEdges::Next::lost: return PORT_EDGE_LOST;
        case LineEdges::Next::failed: return PORT_EDGE_ENDED;
    }
    return PORT_EDGE_NO_SOURCE;
}

int32_t waitForEdge(SerialPort& serial, int32_t ms) {
    if (ms < 0) raise(Fault::range);
    LineEdges* edges = serial.edges();
    if (!edges) return -1;
    return edges->wait(static_cast<int64_t>(ms) * 1'000'000) ? 1 : 0;
}

}  // namespace port
