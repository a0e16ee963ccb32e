#include "sound/resampler.h"

#include <numbers>

namespace rumblet {

namespace {

// The Kaiser window's shape: 10 puts the first side lobe of a 64-tap kernel
// about 100 dB down, with the transition from 0.45 to 0.55 of the rate.
constexpr double KAISER_BETA = 10.0;

// The modified Bessel function of the first kind, order 0 (power series).
double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    const double quarterSquare = x * x / 4.0;
    for (int k = 1; term > 1e-17 * sum; ++k) {
        term *= quarterSquare / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

// The windowed sinc `x` frames from the centre, cutting at half the rate.
double kernel(double x) {
    const double r = x / RESAMPLER_HALF_TAPS;
    if (std::fabs(r) >= 1.0) return 0.0;
    const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
    return sinc * besselI0(KAISER_BETA * std::sqrt(1.0 - r * r)) / besselI0(KAISER_BETA);
}

}  // namespace

const SincTable& SincTable::get() {
    static const SincTable table;
    return table;
}

SincTable::SincTable()
    : rows_(static_cast<size_t>(RESAMPLER_PHASES) * 2 * RESAMPLER_TAPS),
      fine_(static_cast<size_t>(RESAMPLER_HALF_TAPS) * RESAMPLER_PHASES + 2) {
    // Tap k of phase p weighs frame (k - HALF_TAPS + 1) from the one the
    // read position is p / PHASES past.
    auto tap = [](int k, int phase) {
        return kernel(k - RESAMPLER_HALF_TAPS + 1 - static_cast<double>(phase) / RESAMPLER_PHASES);
    };
    for (int p = 0; p < RESAMPLER_PHASES; ++p) {
        float* row = rows_.data() + static_cast<size_t>(p) * 2 * RESAMPLER_TAPS;
        for (int k = 0; k < RESAMPLER_TAPS; ++k) {
            row[k] = static_cast<float>(tap(k, p));
            row[RESAMPLER_TAPS + k] = static_cast<float>(tap(k, p + 1) - tap(k, p));
        }
    }
    for (size_t m = 0; m < fine_.size(); ++m) {
        fine_[m] = static_cast<float>(kernel(static_cast<double>(m) / RESAMPLER_PHASES));
    }
}

}  // namespace rumblet
