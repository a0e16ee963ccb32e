// The one clock of the library's line times on Linux: CLOCK_MONOTONIC in
// nanoseconds, the counter that TIMEREADUS reads, on which edges are
// recorded and virtual receiver bursts are scheduled.
#pragma once

#include <time.h>

#include <cstdint>

namespace port {

inline int64_t monotonicNowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace port
