#include "bench/sound/cubic_reference.h"

#include <cmath>

namespace rumblet::bench {

namespace {

inline float cubic(float xm1, float x0, float x1, float x2, float t) {
    const float c1 = 0.5f * (x1 - xm1);
    const float c2 = xm1 - 2.5f * x0 + 2.0f * x1 - 0.5f * x2;
    const float c3 = 0.5f * (x2 - xm1) + 1.5f * (x0 - x1);
    return ((c3 * t + c2) * t + c1) * t + x0;
}

}  // namespace

void addCubic(const WaveData& wave, double& position, double step, float gain, float* out, size_t frames) {
    const int64_t total = wave.frames;
    const int channels = wave.format.channels;
    const float* s = wave.samples.data();
    auto at = [&](int64_t i) { return s[(((i % total) + total) % total) * channels]; };
    for (size_t n = 0; n < frames; ++n) {
        const auto i = static_cast<int64_t>(position);
        const auto t = static_cast<float>(position - static_cast<double>(i));
        float v;
        if (i >= 1 && i + 2 < total) {
            const float* p = s + (i - 1) * channels;
            v = cubic(p[0], p[channels], p[2 * channels], p[3 * channels], t);
        } else {
            v = cubic(at(i - 1), at(i), at(i + 1), at(i + 2), t);
        }
        out[2 * n] += v * gain;
        out[2 * n + 1] += v * gain;
        position += step;
        if (position >= static_cast<double>(total)) position = std::fmod(position, static_cast<double>(total));
    }
}

}  // namespace rumblet::bench
