#include "bench/sound/tone_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "sound_analysis.h"

namespace rumblet::bench {

namespace {

// Removes the least-squares fit of a sine and cosine of `hz`.
void removeTone(std::vector<double>& x, int rate, double hz) {
    const double w = 2.0 * std::numbers::pi * hz / rate;
    double cc = 0, ss = 0, cs = 0, xc = 0, xs = 0;
    for (size_t n = 0; n < x.size(); ++n) {
        const double c = std::cos(w * static_cast<double>(n));
        const double s = std::sin(w * static_cast<double>(n));
        cc += c * c;
        ss += s * s;
        cs += c * s;
        xc += x[n] * c;
        xs += x[n] * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = (xc * ss - xs * cs) / det;
    const double b = (xs * cc - xc * cs) / det;
    for (size_t n = 0; n < x.size(); ++n) {
        x[n] -= a * std::cos(w * static_cast<double>(n)) + b * std::sin(w * static_cast<double>(n));
    }
}

}  // namespace

double strongestOtherComponentDb(std::vector<float> signal, int rate, double toneHz, double amplitude,
                                 double bandHz) {
    const size_t n = signal.size();
    std::vector<double> x(signal.begin(), signal.end());
    if (toneHz < rate / 2.0) removeTone(x, rate, toneHz);
    constexpr double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
    std::vector<std::complex<double>> bins(n);
    for (size_t i = 0; i < n; ++i) {
        const double p = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        bins[i] = x[i] * (a0 - a1 * std::cos(p) + a2 * std::cos(2 * p) - a3 * std::cos(3 * p));
    }
    demo::fft(bins);
    const double full = amplitude * static_cast<double>(n) * a0 / 2.0;
    const auto last = std::min(n / 2, static_cast<size_t>(bandHz * static_cast<double>(n) / rate));
    double strongest = 1e-30;
    for (size_t k = 0; k <= last; ++k) strongest = std::max(strongest, std::abs(bins[k]));
    return 20.0 * std::log10(strongest / full);
}

}  // namespace rumblet::bench
