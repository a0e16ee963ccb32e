// Clocks and scheduling on Linux. Both stopwatches run on CLOCK_MONOTONIC,
// which no clock setting moves: the millisecond clock is its count in ms,
// cut to 32 bits (it wraps like any 32-bit ms clock), the counter its count
// in nanoseconds.
#include <sched.h>
#include <time.h>

#include "timing_system.h"
#include "no_destructor.h"

namespace port {

namespace {

constexpr int64_t nanosecondsPerSecond = 1000000000;

timespec monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

// Linux schedules threads, not processes: the class goes to the calling
// thread, the one that times the IR frame. Other threads (the sound output's
// among them) keep the scheduling they have, which a process-wide switch
// back to normal would take from them.
void scheduleCallingThread(int policy, int priority) {
    const sched_param param{priority};
    sched_setscheduler(0, policy, &param);
}

class PosixTimingSystem final : public TimingSystem {
public:
    uint32_t milliseconds() override {
        const timespec now = monotonicNow();
        const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
        return static_cast<uint32_t>(ms);
    }

    int64_t counter() override {
        const timespec now = monotonicNow();
        return static_cast<int64_t>(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
    }

    int64_t counterFrequency() override { return nanosecondsPerSecond; }

    // The lowest real-time priority already runs ahead of every ordinary
    // program, and leaves the sound server's real-time threads ahead of us.
    void setPriorityClass(PriorityClass priority) override {
        if (priority == PriorityClass::realtime) scheduleCallingThread(SCHED_FIFO, sched_get_priority_min(SCHED_FIFO));
        else scheduleCallingThread(SCHED_OTHER, 0);
    }
};

}  // namespace

TimingSystem& systemTiming() {
    static NoDestructor<PosixTimingSystem> system;
    return *system;
}

}  // namespace port
