#include "fault.h"

namespace port {

// Process-wide and unguarded, like the rest of the library's state.
static Fault lastFault = Fault::none;

void recordFault(Fault f) { lastFault = f; }

Fault takeLastFault() {
    Fault f = lastFault;
    lastFault = Fault::none;
    return f;
}

}  // namespace port
