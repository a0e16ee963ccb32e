// Band-limited reading of a sound at any fractional frame, for the mixer's
// read heads. A pitched engine sound must not whistle: every sample between
// the sound's own frames comes from a windowed-sinc kernel (Kaiser window,
// 64 taps), tabulated at 256 phases per frame and interpolated linearly
// between two phases. Its pass band reaches 0.45 of the sound's rate, its
// stop band begins at 0.55, where images lie 98 dB or more down.
//
// Played faster than the output rate (a read step above one frame per
// output frame), the kernel widens by the step, so it low-passes at the
// output's Nyquist frequency instead of folding the sound's top octave back
// down.
//
// The kernel is centred on the read position: the frame a read head stands
// on is the frame heard, so byte positions and loop jumps stay exact.
// Nothing here allocates; the table is built once, before any sound plays.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace rumblet {

inline constexpr int RESAMPLER_TAPS = 64;
inline constexpr int RESAMPLER_HALF_TAPS = RESAMPLER_TAPS / 2;
inline constexpr int RESAMPLER_PHASES = 256;
// The kernel widens with the read step only up to this factor, so a buffer
// set to an absurd rate costs at most four times the usual taps; below that
// (every pitch the engine uses) the low-pass is exact.
inline constexpr double RESAMPLER_MAX_WIDENING = 4.0;

class SincTable {
public:
    // The one table, built at the first call (the mixer calls it when it is
    // made, on the window thread).
    static const SincTable& get();

    // Phase p (0..PHASES-1) of the kernel: RESAMPLER_TAPS coefficients for a
    // read position p/PHASES past a frame, then the differences to phase p+1.
    const float* row(int phase) const { return rows_.data() + static_cast<size_t>(phase) * 2 * RESAMPLER_TAPS; }

    // The kernel `x` frames from its centre; 0 from RESAMPLER_HALF_TAPS on.
    float at(double x) const {
        const double u = std::fabs(x) * RESAMPLER_PHASES;
        const auto m = static_cast<size_t>(u);
        if (m >= fine_.size() - 1) return 0.0f;
        const auto a = static_cast<float>(u - static_cast<double>(m));
        return fine_[m] + a * (fine_[m + 1] - fine_[m]);
    }

private:
    SincTable();
    std::vector<float> rows_;
    std::vector<float> fine_;  // the kernel at m / PHASES, m = 0 .. HALF_TAPS * PHASES
};

namespace resampling {

using Float4 = float __attribute__((vector_size(16)));

inline Float4 load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The frame index that frame `i` stands for beyond the edges of a sound: a
// looping sound continues from its other end, one played once holds its
// first and last frame.
inline int64_t edgeFrame(int64_t i, int64_t frames, bool looping) {
    if (looping) return ((i % frames) + frames) % frames;
    return std::clamp<int64_t>(i, 0, frames - 1);
}

// The `count` frames from `first` on, contiguous in `samples` or copied
// into `scratch` across the sound's edges.
template <int Channels>
const float* window(const float* samples, int64_t frames, bool looping, int64_t first, int count,
                    float* scratch) {
    if (first >= 0 && first + count <= frames) return samples + first * Channels;
    for (int k = 0; k < count; ++k) {
        const int64_t at = edgeFrame(first + k, frames, looping) * Channels;
        for (int c = 0; c < Channels; ++c) scratch[k * Channels + c] = samples[at + c];
    }
    return scratch;
}

}  // namespace resampling

// One output frame of `samples` (`frames` frames of `Channels` interleaved
// floats) read at `position` (in frames, with its fraction), for a read
// step of `step` sound frames per output frame. Writes `Channels` values.
template <int Channels>
inline void readBandLimited(const SincTable& table, const float* samples, int64_t frames, bool looping,
                            double position, double step, float* out) {
    using resampling::Float4;
    using resampling::load4;
    const double whole = std::floor(position);
    const auto i = static_cast<int64_t>(whole);
    const double fraction = position - whole;

    if (step <= 1.0) {
        // Slower than (or at) the output rate: the kernel at the sound's own
        // rate, its two nearest phases blended.
        const double scaled = fraction * RESAMPLER_PHASES;
        const int phase = std::min(static_cast<int>(scaled), RESAMPLER_PHASES - 1);
        const auto blend = static_cast<float>(scaled - phase);
        const float* kernel = table.row(phase);
        const float* toNext = kernel + RESAMPLER_TAPS;
        alignas(16) float scratch[RESAMPLER_TAPS * Channels];
        const float* x = resampling::window<Channels>(samples, frames, looping, i - RESAMPLER_HALF_TAPS + 1,
                                                      RESAMPLER_TAPS, scratch);
        // Both phases' sums at once, blended at the end: sum(x * (k + b*d))
        // = sum(x * k) + b * sum(x * d).
        if constexpr (Channels == 1) {
            Float4 atPhase = {}, change = {};
            for (int k = 0; k < RESAMPLER_TAPS; k += 4) {
                const Float4 s = load4(x + k);
                atPhase += s * load4(kernel + k);
                change += s * load4(toNext + k);
            }
            const Float4 sum = atPhase + blend * change;
            out[0] = (sum[0] + sum[1]) + (sum[2] + sum[3]);
        } else {
            // Four stereo frames per step, split into their left and right sides.
            Float4 leftAtPhase = {}, leftChange = {}, rightAtPhase = {}, rightChange = {};
            for (int k = 0; k < RESAMPLER_TAPS; k += 4) {
                const Float4 first = load4(x + 2 * k);
                const Float4 second = load4(x + 2 * k + 4);
                const Float4 left = __builtin_shufflevector(first, second, 0, 2, 4, 6);
                const Float4 right = __builtin_shufflevector(first, second, 1, 3, 5, 7);
                const Float4 c = load4(kernel + k);
                const Float4 d = load4(toNext + k);
                leftAtPhase += left * c;
                leftChange += left * d;
                rightAtPhase += right * c;
                rightChange += right * d;
            }
            const Float4 left = leftAtPhase + blend * leftChange;
            const Float4 right = rightAtPhase + blend * rightChange;
            out[0] = (left[0] + left[1]) + (left[2] + left[3]);
            out[1] = (right[0] + right[1]) + (right[2] + right[3]);
        }
        return;
    }

    // Faster than the output rate: the kernel widened by the step, so it
    // cuts at the output's Nyquist frequency.
    const double widening = std::min(step, RESAMPLER_MAX_WIDENING);
    const double reach = RESAMPLER_HALF_TAPS * widening;
    const auto first = static_cast<int64_t>(std::floor(position - reach)) + 1;
    const auto last = static_cast<int64_t>(std::floor(position + reach));
    constexpr int mostTaps = static_cast<int>(2 * RESAMPLER_HALF_TAPS * RESAMPLER_MAX_WIDENING) + 2;
    const int count = std::min(static_cast<int>(last - first + 1), mostTaps);
    float scratch[mostTaps * Channels];
    const float* x = resampling::window<Channels>(samples, frames, looping, first, count, scratch);
    float sum[Channels] = {};
    const double inverse = 1.0 / widening;
    for (int k = 0; k < count; ++k) {
        const float w = table.at((static_cast<double>(first + k) - position) * inverse);
        for (int c = 0; c < Channels; ++c) sum[c] += w * x[k * Channels + c];
    }
    for (int c = 0; c < Channels; ++c) out[c] = sum[c] * static_cast<float>(inverse);
}

}  // namespace rumblet
