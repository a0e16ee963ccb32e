// Where a fractional value becomes a whole number (the engine frequency, the
// volume slider's decibels, the position sliders' tick spacing), rumblet
// rounds to the nearest one and sends halves to the even neighbour, whatever
// rounding mode the processor is set to.
#pragma once

#include <cmath>

namespace rumblet {

inline double roundHalfEven(double x) {
    if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
    return std::round(x);
}

}  // namespace rumblet
