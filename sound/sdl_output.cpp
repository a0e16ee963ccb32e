#include "sound/sound_output.h"

#include <SDL.h>

#include "sound/mixer_device.h"
#include "sound/output_keeper.h"

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

// One opened SDL device rendering the mixer. `rate` 0 takes the rate the
// device offers (the first output, before the mixer exists); a reopened
// output asks for the mixer's rate and lets SDL convert.
class SdlAudioOutput : public AudioOutput {
public:
    SdlAudioOutput(std::shared_ptr<Mixer> mixer, int rate) : slot_(std::make_unique<MixerSlot>(std::move(mixer))) {
        SDL_AudioSpec want{};
        want.freq = rate == 0 ? DEFAULT_OUTPUT_RATE : rate;
        want.format = AUDIO_F32SYS;
        want.channels = MIXER_OUTPUT_CHANNELS;
        want.samples = OUTPUT_BLOCK_FRAMES;
        want.callback = renderForSdl;
        want.userdata = slot_.get();
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, rate == 0 ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE : 0);
        if (device_ == 0) throw SoundError(SOUND_ERROR_NO_OUTPUT, std::string("audio output: ") + SDL_GetError());
        // The device starts paused: the mixer is in place before it runs.
        if (!*slot_) *slot_ = Mixer::create(have.freq);
        SDL_PauseAudioDevice(device_, 0);
    }
    // Closing waits for a running render to finish.
    ~SdlAudioOutput() override { SDL_CloseAudioDevice(device_); }

    const std::shared_ptr<Mixer>& mixer() const { return *slot_; }

    // SDL announces a removed device with an event; a device it has
    // switched off also reports itself stopped.
    bool removed() override {
        SDL_Event events[8];
        int count;
        while ((count = SDL_PeepEvents(events, 8, SDL_GETEVENT, SDL_AUDIODEVICEREMOVED, SDL_AUDIODEVICEREMOVED)) > 0) {
            for (int i = 0; i < count; ++i) {
                if (events[i].adevice.which == device_ && events[i].adevice.iscapture == 0) removed_ = true;
            }
        }
        return removed_ || SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
    }

private:
    std::unique_ptr<MixerSlot> slot_;
    SDL_AudioDeviceID device_ = 0;
    bool removed_ = false;
};

class SdlSoundDevice : public MixerSoundDevice {
public:
    explicit SdlSoundDevice(std::unique_ptr<SdlAudioOutput> first)
        : MixerSoundDevice(first->mixer()), keeper_(std::make_unique<OutputKeeper>(opener(std::move(first)))) {}
    // Buffers may live on with the mixer, silent.
    ~SdlSoundDevice() override {
        keeper_.reset();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    std::string checkOutput() override { return keeper_->check(); }

private:
    // Hands over the output already open, then opens new ones at the
    // mixer's rate.
    OutputKeeper::Opener opener(std::unique_ptr<SdlAudioOutput> first) {
        auto pending = std::make_shared<std::unique_ptr<SdlAudioOutput>>(std::move(first));
        std::shared_ptr<Mixer> mixer = (*pending)->mixer();
        return [pending, mixer]() -> std::unique_ptr<AudioOutput> {
            if (*pending) return std::move(*pending);
            return std::make_unique<SdlAudioOutput>(mixer, mixer->outputRate());
        };
    }

    std::unique_ptr<OutputKeeper> keeper_;
};

class SdlSoundSystem : public SoundSystem {
public:
    std::unique_ptr<SoundDevice> DirectSoundCreate() override {
        // The program ends on its own terms; SDL must not take SIGINT and
        // SIGTERM for events nobody reads.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            throw SoundError(SOUND_ERROR_NO_OUTPUT, std::string("SDL audio: ") + SDL_GetError());
        }
        try {
            return std::make_unique<SdlSoundDevice>(std::make_unique<SdlAudioOutput>(nullptr, 0));
        } catch (const SoundError&) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            throw;
        }
    }
};

}  // namespace

std::unique_ptr<SoundSystem> makeDefaultSoundSystem() { return std::make_unique<SdlSoundSystem>(); }

}  // namespace rumblet
