#include "bench/sound/latency_probe.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace rumblet::bench {

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void LatencyProbe::render(float* out, size_t frames, uint32_t aheadFrames) {
    const int64_t rendered = nowNs();
    mixer->render(out, frames);
    if (!armed) return;
    const double nsPerFrame = 1e9 / mixer->outputRate();
    for (size_t n = 0; n < frames; ++n) {
        if (out[n * MIXER_OUTPUT_CHANNELS] != 0.0f) {
            firstChangedNs = rendered + static_cast<int64_t>((aheadFrames + n) * nsPerFrame);
            armed = false;
            return;
        }
    }
}

double LatencyFigures::quantile(double q) const {
    std::vector<double> v = toMixerMs;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

LatencyFigures measureLatency(LatencyProbe& probe, int trials) {
    const int32_t rate = probe.mixer->outputRate();
    auto buffer = probe.mixer->createBuffer(
        std::make_shared<WaveData>(makeWave(std::vector<float>(size_t(rate), 0.25f), 1, rate, 2)));
    std::mt19937 random(12);
    std::uniform_int_distribution<int> pause(15000, 30000);  // µs
    LatencyFigures figures;
    for (int i = 0; i < trials; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        probe.armed = true;
        const int64_t frameEnd = nowNs();
        buffer->Play(DSBPLAY_LOOPING);
        while (probe.firstChangedNs < 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
        figures.toMixerMs.push_back(static_cast<double>(probe.firstChangedNs - frameEnd) / 1e6);
        probe.firstChangedNs = -1;
        buffer->Stop();
        buffer->SetCurrentPosition(0);
    }
    return figures;
}

}  // namespace rumblet::bench
