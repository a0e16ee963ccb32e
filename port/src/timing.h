// The timing group: a millisecond and a microsecond stopwatch, busy waits in
// both units, and the real-time priority switch. The IR frame capture polls
// DCD and the microsecond stopwatch in one tight loop, so reading it costs
// one counter read, a subtraction and two multiplications.
#pragma once

#include <cstdint>

#include "timing_system.h"

namespace port {

// x rounded to the nearest integer, halves to the even neighbour; the result
// is still a double so that the caller can range-check it before converting.
double roundHalfEven(double x);

class Timing {
public:
    explicit Timing(TimingSystem& system) : system_(system) {}

    // Spins until ms milliseconds have passed on the millisecond clock; no
    // sleep, no yield. ms < 0 is a range error.
    void delay(int32_t ms);

    void startMilliseconds();
    // Milliseconds since startMilliseconds (the raw clock before the first
    // start), taken modulo 2^32 so that a clock wrap in between does not
    // matter; 2^31 ms or more is a range error.
    int32_t readMilliseconds();

    void startMicroseconds();
    // Microseconds since startMicroseconds or delayMicroseconds (0 before the
    // first start). An overflowing counter difference is an overflow error,
    // a result beyond 32 bits a range error.
    int32_t readMicroseconds();
    // What readMicroseconds would have given when the counter read
    // `counter` (negative before the stopwatch's start); same errors.
    int32_t microsecondsAt(int64_t counter) const;
    // The same reading taken modulo 2^32 as a signed 32-bit number, without
    // errors: how a recorded edge's moment is told, however far it lies
    // from the stopwatch's start. Within 2^31 us of the start it is
    // microsecondsAt; beyond, it wraps every 2^32 us as the counter
    // difference a caller takes between two such readings does.
    int32_t wrappedMicrosecondsAt(int64_t counter) const;

    // Restarts the microsecond stopwatch and spins until it reads us or more.
    void delayMicroseconds(int32_t us);

    void realtime(int32_t flag);

private:
    TimingSystem& system_;
    uint32_t millisecondBase_ = 0;
    int64_t counterBase_ = 0;
    double secondsPerCount_ = 0.0;
};

}  // namespace port
