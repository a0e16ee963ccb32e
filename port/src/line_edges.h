// Timed edges of the receiver's line: every change of DCD while a port is
// open, with the moment it happened on the microsecond stopwatch's counter.
// A source behind the port (the kernel's IR driver, a thread watching the
// modem lines, the virtual receiver) records them from its own thread; the
// caller takes them in order. They let a frame be timed from when its edges
// happened rather than from when a polling loop got to run.
#pragma once

#include <cstdint>

namespace port {

class SerialPort;
class Timing;

// How a source times its edges, as EDGES() reports it.
enum class EdgeSourceKind : int32_t {
    none = 0,     // the port records no edges: poll DCD
    kernel = 1,   // the kernel's IR driver timed them in its interrupt handler
    watcher = 2,  // a thread woken by each modem-line change timed them
    exact = 3,    // the virtual receiver, which knows when each level ends
};

struct LineEdge {
    int64_t counter = 0;  // the moment of the change, on the microsecond stopwatch's counter
    bool high = false;    // DCD's level after the change (true: set, no IR light)
};

// The recorded changes of one open port, as the caller sees them.
class LineEdges {
public:
    virtual ~LineEdges() = default;

    virtual EdgeSourceKind kind() const = 0;

    enum class Next { edge, none, lost, failed };
    // The oldest change (edge), or: none waiting (`complete` then says up to
    // when the line is known to have held its level), changes lost before
    // the next one (reported once), or the source has ended and every change
    // before that is taken.
    virtual Next take(LineEdge& edge, int64_t& complete) = 0;
    // Sleeps until take() would give something other than `none`, or
    // `timeoutNs` have passed. True when something waits.
    virtual bool wait(int64_t timeoutNs) = 0;
};

// What the three edge exports do with the library's port and stopwatch.
// EDGES(): the open port's source kind (0 without a port or without edges).
int32_t edgeSourceOf(SerialPort& serial);
// EDGEREAD(time): the next change as 0/1 with its time in microseconds on
// the stopwatch, modulo 2^32; -1 none waiting (time: up to when the line is
// known), -2 changes lost, -3 source ended, -4 no source.
int32_t readEdge(SerialPort& serial, Timing& timing, int32_t* time);
// EDGEWAIT(ms): 1 something waits, 0 time ran out, -1 no source.
int32_t waitForEdge(SerialPort& serial, int32_t ms);

}  // namespace port
