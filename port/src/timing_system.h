// What the timing group needs of the operating system: a 32-bit millisecond
// clock, a high-resolution counter with its frequency, and the process's
// priority class. The arithmetic on them lives in timing.cpp.
#pragma once

#include <cstdint>

namespace port {

enum class PriorityClass { normal, realtime };

class TimingSystem {
public:
    virtual ~TimingSystem() = default;

    // Milliseconds since some fixed moment, wrapping every 2^32 ms.
    virtual uint32_t milliseconds() = 0;

    // The high-resolution counter and its counts per second.
    virtual int64_t counter() = 0;
    virtual int64_t counterFrequency() = 0;

    // Failure is silent: a capture that cannot get real-time priority still
    // runs, only less reliably.
    virtual void setPriorityClass(PriorityClass priority) = 0;
};

// The operating system's clocks and scheduler (posix/ or win32/).
TimingSystem& systemTiming();

}  // namespace port
