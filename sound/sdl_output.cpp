#include "sound/sdl_output.h"

#include <SDL.h>

#include "sound/mixer_device.h"

namespace rumblet {

namespace {

// The mixer the audio thread renders; filled in once the device's real
// rate is known, before the device is started.
using MixerSlot = std::shared_ptr<Mixer>;

// The audio thread's call: it asks the mixer for the next block.
void renderForSdl(void* slot, Uint8* stream, int bytes) {
    const auto frames = static_cast<size_t>(bytes) / (sizeof(float) * MIXER_OUTPUT_CHANNELS);
    (*static_cast<MixerSlot*>(slot))->render(reinterpret_cast<float*>(stream), frames);
}

class SdlSoundDevice : public MixerSoundDevice {
public:
    SdlSoundDevice(std::unique_ptr<MixerSlot> slot, SDL_AudioDeviceID device)
        : MixerSoundDevice(*slot), slot_(std::move(slot)), device_(device) {
        SDL_PauseAudioDevice(device_, 0);
    }
    // Closing waits for a running render to finish; buffers may live on
    // with the mixer, silent.
    ~SdlSoundDevice() override {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

private:
    std::unique_ptr<MixerSlot> slot_;
    SDL_AudioDeviceID device_;
};

class SdlSoundSystem : public SoundSystem {
public:
    std::unique_ptr<SoundDevice> DirectSoundCreate() override {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            throw SoundError(SOUND_ERROR_NO_OUTPUT, std::string("SDL audio: ") + SDL_GetError());
        }
        auto slot = std::make_unique<MixerSlot>();
        SDL_AudioSpec want{};
        want.freq = DEFAULT_OUTPUT_RATE;
        want.format = AUDIO_F32SYS;
        want.channels = MIXER_OUTPUT_CHANNELS;
        want.samples = SDL_OUTPUT_BLOCK_FRAMES;
        want.callback = renderForSdl;
        want.userdata = slot.get();
        SDL_AudioSpec have{};
        const SDL_AudioDeviceID device =
            SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (device == 0) {
            const std::string error = SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            throw SoundError(SOUND_ERROR_NO_OUTPUT, "audio output: " + error);
        }
        // The device starts paused: the mixer is in place before it runs.
        *slot = Mixer::create(have.freq);
        return std::make_unique<SdlSoundDevice>(std::move(slot), device);
    }
};

}  // namespace

std::unique_ptr<SoundSystem> makeDefaultSoundSystem() { return std::make_unique<SdlSoundSystem>(); }

}  // namespace rumblet
