// Sound devices built on the mixer: the device that loads wave files into
// mixer buffers, and the offline sound system whose mixer is rendered by the
// caller (tests, benchmarks, tools) instead of an audio output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sound/mixer.h"
#include "sound/shared_waves.h"
#include "sound/sound_device.h"

namespace rumblet {

inline constexpr int32_t DEFAULT_OUTPUT_RATE = 48000;

// Loads each file completely (loadWaveFile) and plays it through `mixer`.
// Buffers of the same file share one decoded copy (sound/shared_waves.h).
class MixerSoundDevice : public SoundDevice {
public:
    explicit MixerSoundDevice(std::shared_ptr<Mixer> mixer) : mixer_(std::move(mixer)) {}
    std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path) override;
    Mixer& mixer() { return *mixer_; }

private:
    std::shared_ptr<Mixer> mixer_;
    SharedWaves waves_;
};

// A sound system without an audio output: every device it creates mixes
// into the one mixer, and render() produces the sound on demand, offline and
// deterministically.
class OfflineSoundSystem : public SoundSystem {
public:
    explicit OfflineSoundSystem(int32_t outputRate = DEFAULT_OUTPUT_RATE)
        : mixer_(Mixer::create(outputRate)) {}
    std::unique_ptr<SoundDevice> DirectSoundCreate() override {
        return std::make_unique<MixerSoundDevice>(mixer_);
    }
    // `frames` frames of interleaved stereo floats.
    void render(float* out, size_t frames) { mixer_->render(out, frames); }
    int32_t outputRate() const { return mixer_->outputRate(); }

private:
    std::shared_ptr<Mixer> mixer_;
};

}  // namespace rumblet
