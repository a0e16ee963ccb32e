// The program's sound output on Windows: the mixer into the system's
// shared-mode audio, or, for tests and demos, the file and silent outputs
// that the same two variables select as on Linux (SDL_AUDIODRIVER=disk
// with SDL_DISKAUDIOFILE, SDL_AUDIODRIVER=dummy). An output lost while the
// program runs is told once and opened again (OutputKeeper).
#include <windows.h>
#include <mmsystem.h>

#include "sound/mixer_device.h"
#include "sound/output_keeper.h"
#include "sound/paced_output.h"
#include "sound/sound_output.h"
#include "sound/win32/sound_output_win32.h"
#include "sound/win32/utf8_win32.h"
#include "sound/win32/wasapi_output.h"

namespace rumblet {

namespace {

// The file and silent outputs pace themselves with waits of a few
// milliseconds: the system's timer is made that fine while one plays, and
// their audio thread runs at the priority SDL gives its audio threads.
class FinePacedOutput : public AudioOutput {
public:
    FinePacedOutput(int32_t rate, const RenderStart& start, const std::string& path)
        : fineTimer_(timeBeginPeriod(1) == TIMERR_NOERROR),
          output_(rate, start, path, [] { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }) {}
    ~FinePacedOutput() override {
        if (fineTimer_) timeEndPeriod(1);
    }
    bool removed() override { return output_.removed(); }

private:
    bool fineTimer_;
    PacedOutput output_;
};

// The mixer every output of the device plays: made at the first output's
// rate, which the later ones ask for.
struct MixerHolder {
    std::shared_ptr<Mixer> mixer;
};

RenderStart renderMixerOf(const std::shared_ptr<MixerHolder>& holder) {
    return [holder](int32_t rate) -> RenderFunction {
        if (!holder->mixer) holder->mixer = Mixer::create(rate);
        std::shared_ptr<Mixer> mixer = holder->mixer;
        return [mixer](float* out, size_t frames) { mixer->render(out, frames); };
    };
}

std::unique_ptr<AudioOutput> openOutput(const std::string& driver, const std::string& file,
                                        const std::shared_ptr<MixerHolder>& holder) {
    return openWindowsOutput(driver, file, holder->mixer ? holder->mixer->outputRate() : 0, renderMixerOf(holder));
}

class WindowsSoundDevice : public MixerSoundDevice {
public:
    WindowsSoundDevice(std::shared_ptr<Mixer> mixer, std::unique_ptr<AudioOutput> first, OutputKeeper::Opener open)
        : MixerSoundDevice(std::move(mixer)), keeper_(std::make_unique<OutputKeeper>(std::move(first), std::move(open))) {}
    // The output stops before the device goes; buffers may live on with
    // the mixer, silent.
    ~WindowsSoundDevice() override { keeper_.reset(); }

    std::string checkOutput() override { return keeper_->check(); }

private:
    std::unique_ptr<OutputKeeper> keeper_;
};

class WindowsSoundSystem : public SoundSystem {
public:
    std::unique_ptr<SoundDevice> DirectSoundCreate() override {
        const std::string driver = environmentValue(L"SDL_AUDIODRIVER");
        const std::string file = environmentValue(L"SDL_DISKAUDIOFILE");
        auto holder = std::make_shared<MixerHolder>();
        OutputKeeper::Opener open = [driver, file, holder] { return openOutput(driver, file, holder); };
        std::unique_ptr<AudioOutput> first = open();
        return std::make_unique<WindowsSoundDevice>(holder->mixer, std::move(first), std::move(open));
    }
};

}  // namespace

std::unique_ptr<AudioOutput> openWindowsOutput(const std::string& driver, const std::string& file, int32_t rate,
                                               const RenderStart& start) {
    if (driver == "disk") return std::make_unique<FinePacedOutput>(rate, start, file.empty() ? DEFAULT_DISK_AUDIO_FILE : file);
    if (driver == "dummy") return std::make_unique<FinePacedOutput>(rate, start, "");
    if (driver.empty() || driver == "wasapi") return std::make_unique<WasapiOutput>(rate, start);
    throw SoundError(SOUND_ERROR_NO_OUTPUT, "audio output: no audio driver '" + driver + "' (wasapi, disk or dummy)");
}

std::unique_ptr<SoundSystem> makeDefaultSoundSystem() { return std::make_unique<WindowsSoundSystem>(); }

}  // namespace rumblet
