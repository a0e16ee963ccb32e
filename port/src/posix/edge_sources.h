// What the edge sources on Linux share besides the record: the priority of
// their threads, and when a line read from a descriptor is known.
#pragma once

#include <atomic>
#include <cstdint>

namespace port {

// Asks for the lowest real-time priority for the calling thread, one that
// records edges: woken on time, and never holding a lock that the capture's
// own real-time thread waits for while ordinary programs run. A refusal (no
// right to it) is silent.
void askForRealtimePriority();

// Up to when a line whose changes are read from `fd` is known at `nowNs`:
// not past anything while data waits there or a reader (counted in
// `reading`) is between the descriptor and the record; INT64_MIN then.
int64_t completeUnlessPending(int fd, const std::atomic<int>& reading, int64_t nowNs);

}  // namespace port
