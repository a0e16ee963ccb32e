#include "fault.h"

namespace port {

// Process-wide and unguarded, like the rest of the library's state.
static Fault lastFault = Fault::none;

void recordFault(Fault f) noexcept { lastFault = f; }

Fault takeLastFault() noexcept {
    Fault f = lastFault;
    lastFault = Fault::none;
    return f;
}

}  // namespace port
