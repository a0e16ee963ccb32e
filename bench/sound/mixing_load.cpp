#include "bench/sound/mixing_load.h"

#include "sound/testing/test_waves.h"

namespace rumblet::bench {

ThirteenVoices::ThirteenVoices(Mixer& mixer) {
    for (int v = 0; v < MOST_VOICES; ++v) {
        const int channels = v % 2 + 1;
        const int rate = v % 3 == 0 ? 11025 : v % 3 == 1 ? 22050 : 44100;
        auto tone = testing::sineWave(100.0 + 37 * v, static_cast<size_t>(rate) * channels, rate, 0.05);
        voices_.push_back(mixer.createBuffer(std::make_shared<WaveData>(makeWave(tone, channels, rate, 2))));
        voices_.back()->Play(DSBPLAY_LOOPING);
    }
}

void ThirteenVoices::mixOneSecond(Mixer& mixer, size_t blockFrames) {
    out_.resize(blockFrames * MIXER_OUTPUT_CHANNELS);
    const size_t blocksPerSecond = size_t(mixer.outputRate()) / blockFrames;
    const size_t blocksPerChange = blocksPerSecond / 20;
    for (size_t b = 0; b < blocksPerSecond; ++b) {
        if (b % blocksPerChange == 0) {
            for (auto& v : voices_) {
                v->SetFrequency(v->GetFrequency() + static_cast<int32_t>(b % 7) - 3);
                v->SetCurrentPosition(static_cast<int32_t>(b * 64));
            }
        }
        mixer.render(out_.data(), blockFrames);
    }
}

}  // namespace rumblet::bench
