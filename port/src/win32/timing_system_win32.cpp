// Clocks and priority on Windows: the multimedia millisecond clock, the
// performance counter and the process priority class. The library leaves
// the system timer resolution as it is.
#include <windows.h>
#include <mmsystem.h>

#include "timing_system.h"
#include "no_destructor.h"

namespace port {

namespace {

class Win32TimingSystem final : public TimingSystem {
public:
    uint32_t milliseconds() override { return timeGetTime(); }

    int64_t counter() override {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }

    int64_t counterFrequency() override {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart;
    }

    void setPriorityClass(PriorityClass priority) override {
        SetPriorityClass(GetCurrentProcess(),
                         priority == PriorityClass::realtime ? REALTIME_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
    }
};

}  // namespace

TimingSystem& systemTiming() {
    static NoDestructor<Win32TimingSystem> system;
    return *system;
}

}  // namespace port
