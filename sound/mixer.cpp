#include "sound/mixer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "sound/resampler.h"

namespace rumblet {

namespace {

// How many fading read heads a voice keeps besides its playing one: a stop
// followed by a start at once (the shot's restart) needs one, a second jump
// before the first fade has ended needs another.
constexpr size_t FADING_HEADS_PER_VOICE = 2;
constexpr double MILLISECONDS_PER_SECOND = 1000.0;

// A value that moves in equal steps to its target over a number of frames.
struct LinearRamp {
    double value = 0.0;
    double target = 0.0;
    double increment = 0.0;
    uint32_t remaining = 0;

    void jumpTo(double v) {
        value = target = v;
        increment = 0.0;
        remaining = 0;
    }
    void glideTo(double t, uint32_t frames) {
        if (frames == 0) return jumpTo(t);
        target = t;
        increment = (t - value) / frames;
        remaining = frames;
    }
    // The value for the next output frame.
    double next() {
        if (remaining != 0) {
            value = --remaining == 0 ? target : value + increment;
        }
        return value;
    }
    // The state after `frames` calls of next().
    void skip(size_t frames) {
        if (frames >= remaining) return jumpTo(target);
        value += increment * static_cast<double>(frames);
        remaining -= static_cast<uint32_t>(frames);
    }
    bool settledAt(double v) const { return remaining == 0 && value == v; }
};

// One pass through the sound data.
struct ReadHead {
    double frame = 0.0;  // playhead in frames of the sound, with its fraction
    bool looping = false;
    bool active = false;  // fading heads only; the main head plays while the voice plays
    LinearRamp fade;      // 0 silent .. 1 full
};

// Mixes one read head into `out`. `gain` and `step` are copies of the
// voice's ramps, so every head of a voice follows the same volume and pitch.
// Returns the number of frames rendered; fewer than `frames` when a sound
// played once ran out.
template <int Channels>
size_t renderHead(const WaveData& wave, ReadHead& head, LinearRamp gain, LinearRamp step,
                  float* out, size_t frames) {
    const SincTable& table = SincTable::get();
    const double total = static_cast<double>(wave.frames);
    float sample[Channels];
    for (size_t n = 0; n < frames; ++n) {
        const float level = static_cast<float>(gain.next() * head.fade.next());
        readBandLimited<Channels>(table, wave.samples.data(), wave.frames, head.looping, head.frame,
                                  step.value, sample);
        const float left = sample[0];
        const float right = sample[Channels - 1];
        out[MIXER_OUTPUT_CHANNELS * n] += left * level;
        out[MIXER_OUTPUT_CHANNELS * n + 1] += right * level;
        head.frame += step.next();
        if (head.frame >= total) {
            if (!head.looping) return n + 1;
            head.frame = std::fmod(head.frame, total);
        }
    }
    return frames;
}

size_t renderHeadFor(const WaveData& wave, ReadHead& head, const LinearRamp& gain,
                     const LinearRamp& step, float* out, size_t frames) {
    if (wave.format.channels == 1) return renderHead<1>(wave, head, gain, step, out, frames);
    return renderHead<2>(wave, head, gain, step, out, frames);
}

}  // namespace

struct Mixer::Voice {
    std::shared_ptr<const WaveData> wave;
    bool playing = false;
    bool looping = false;
    ReadHead main;  // its frame is the buffer's position, playing or not
    std::array<ReadHead, FADING_HEADS_PER_VOICE> fading;
    LinearRamp gain;
    LinearRamp step;  // frames of sound per output frame
    int32_t frequencyHz = 0;
    int32_t volume = FULL_VOLUME;
    bool released = false;  // its buffer is gone; the mixer frees it once silent

    bool audible() const {
        return playing ||
               std::any_of(fading.begin(), fading.end(), [](const ReadHead& h) { return h.active; });
    }

    // The main read head, as heard so far, goes on in a fading head. A head
    // not yet heard (two jumps between two rendered blocks) leaves nothing.
    void fadeOutMain(uint32_t crossfadeFrames) {
        if (main.fade.value <= 0.0) return;
        ReadHead* slot = &fading[0];
        for (ReadHead& h : fading) {
            if (!h.active) {
                slot = &h;
                break;
            }
            if (h.fade.value < slot->fade.value) slot = &h;
        }
        *slot = main;
        slot->active = true;
        const auto frames = static_cast<uint32_t>(std::ceil(slot->fade.value * crossfadeFrames));
        slot->fade.glideTo(0.0, std::max<uint32_t>(frames, 1));
    }

    void fadeInMain(uint32_t crossfadeFrames) {
        main.fade.jumpTo(0.0);
        main.fade.glideTo(1.0, crossfadeFrames);
    }
};

double gainForVolume(int32_t hundredthsOfDecibel) {
    const int32_t v = std::clamp(hundredthsOfDecibel, SILENT_VOLUME, FULL_VOLUME);
    return std::pow(10.0, v / HUNDREDTHS_DB_PER_DECADE);
}

// The buffer of one loaded sound; every operation takes the mixer's lock.
// Its voice belongs to the mixer, which lets it fade out after the buffer
// is released.
class MixerBuffer : public SoundBuffer {
public:
    MixerBuffer(std::shared_ptr<Mixer> mixer, Mixer::Voice* voice) : mixer_(std::move(mixer)), voice_(voice) {}

    // A buffer released while it sounds (the editor's preview replaced, the
    // sound set reloaded) fades out like a Stop instead of breaking off.
    ~MixerBuffer() override { mixer_->release(voice_); }

    void Play(int32_t flags) override {
        std::lock_guard guard(mixer_->lock_);
        Mixer::Voice& v = *voice_;
        v.looping = (flags & DSBPLAY_LOOPING) != 0;
        v.main.looping = v.looping;
        if (v.playing) return;  // goes on where it is, only the loop flag changes
        v.playing = true;
        v.fadeInMain(mixer_->crossfadeFrames_);
    }

    void Stop() override {
        std::lock_guard guard(mixer_->lock_);
        mixer_->stopVoice(*voice_);
    }

    int32_t GetStatus() const override {
        std::lock_guard guard(mixer_->lock_);
        return voice_->playing ? 1 : 0;
    }

    void SetCurrentPosition(int32_t bytes) override {
        std::lock_guard guard(mixer_->lock_);
        Mixer::Voice& v = *voice_;
        const int64_t frame =
            std::clamp<int64_t>(bytes / v.wave->format.blockAlign(), 0, v.wave->frames);
        if (v.playing) {
            v.fadeOutMain(mixer_->crossfadeFrames_);
            v.fadeInMain(mixer_->crossfadeFrames_);
        }
        v.main.frame = static_cast<double>(frame);
    }

    void GetCurrentPosition(int32_t& playCursor, int32_t& writeCursor) const override {
        std::lock_guard guard(mixer_->lock_);
        const Mixer::Voice& v = *voice_;
        playCursor = static_cast<int32_t>(static_cast<int64_t>(v.main.frame) *
                                          v.wave->format.blockAlign());
        writeCursor = playCursor;
    }

    void SetVolume(int32_t hundredthsOfDecibel) override {
        std::lock_guard guard(mixer_->lock_);
        Mixer::Voice& v = *voice_;
        v.volume = std::clamp(hundredthsOfDecibel, SILENT_VOLUME, FULL_VOLUME);
        v.gain.glideTo(gainForVolume(v.volume), v.audible() ? mixer_->volumeRampFrames_ : 0);
    }

    // 0 returns to the sound's own rate; other rates are held to the range
    // the device plays.
    void SetFrequency(int32_t hz) override {
        std::lock_guard guard(mixer_->lock_);
        Mixer::Voice& v = *voice_;
        v.frequencyHz =
            hz == 0 ? v.wave->format.sampleRate : std::clamp(hz, MIN_FREQUENCY_HZ, MAX_FREQUENCY_HZ);
        v.step.glideTo(stepFor(v.frequencyHz), v.audible() ? mixer_->frequencyGlideFrames_ : 0);
    }

    int32_t GetFrequency() const override {
        std::lock_guard guard(mixer_->lock_);
        return voice_->frequencyHz;
    }

    int32_t GetBufferBytes() const override { return voice_->wave->dataBytes(); }

    // The voice's sound is set when it is made and never replaced, so it is
    // read here without the lock.
    std::shared_ptr<const WaveData> decodedSound() const override { return voice_->wave; }

private:
    double stepFor(int32_t hz) const { return static_cast<double>(hz) / mixer_->outputRate_; }

    std::shared_ptr<Mixer> mixer_;
    Mixer::Voice* const voice_;  // owned by the mixer
};

std::shared_ptr<Mixer> Mixer::create(int32_t outputRate) {
    return std::shared_ptr<Mixer>(new Mixer(outputRate));
}

Mixer::Mixer(int32_t outputRate)
    : outputRate_(outputRate),
      crossfadeFrames_(framesFor(CROSSFADE_MS)),
      volumeRampFrames_(framesFor(VOLUME_RAMP_MS)),
      frequencyGlideFrames_(framesFor(FREQUENCY_GLIDE_MS)) {
    SincTable::get();  // built here, never on the audio thread
    constexpr size_t usualVoices = 32;  // 13 slots and the editor's preview fit without growing
    voices_.reserve(usualVoices);
}

Mixer::~Mixer() = default;

uint32_t Mixer::framesFor(double milliseconds) const {
    return static_cast<uint32_t>(std::lround(milliseconds * outputRate_ / MILLISECONDS_PER_SECOND));
}

std::unique_ptr<SoundBuffer> Mixer::createBuffer(std::shared_ptr<const WaveData> wave) {
    // Files are checked when they are loaded; a sound made in memory is
    // checked here, as the render loop divides by its length and block size.
    const WaveFormat& f = wave->format;
    const bool playable = wave->frames > 0 && f.channels >= 1 && f.channels <= MAX_WAVE_CHANNELS &&
                          f.bytesPerSample > 0 && f.sampleRate >= MIN_FREQUENCY_HZ &&
                          f.sampleRate <= MAX_FREQUENCY_HZ &&
                          wave->samples.size() == static_cast<size_t>(wave->frames * f.channels);
    if (!playable) throw SoundError(SOUND_ERROR_BAD_WAVE_FILE, "sound in memory: not playable");
    auto voice = std::make_unique<Voice>();
    voice->wave = std::move(wave);
    voice->frequencyHz = voice->wave->format.sampleRate;
    voice->step.jumpTo(static_cast<double>(voice->frequencyHz) / outputRate_);
    voice->gain.jumpTo(gainForVolume(FULL_VOLUME));
    Voice* added = voice.get();
    std::vector<std::unique_ptr<Voice>> silent;
    {
        std::lock_guard guard(lock_);
        silent = takeSilentReleased();
        voices_.push_back(std::move(voice));
    }
    return std::make_unique<MixerBuffer>(shared_from_this(), added);
}

void Mixer::stopVoice(Voice& v) {
    if (!v.playing) return;
    v.fadeOutMain(crossfadeFrames_);
    v.playing = false;
}

void Mixer::release(Voice* voice) {
    std::vector<std::unique_ptr<Voice>> silent;
    {
        std::lock_guard guard(lock_);
        stopVoice(*voice);
        voice->released = true;
        silent = takeSilentReleased();
    }
    // The voices and their sounds are freed here, outside the lock, on the
    // window thread: the audio thread never frees.
}

std::vector<std::unique_ptr<Mixer::Voice>> Mixer::takeSilentReleased() {
    std::vector<std::unique_ptr<Voice>> silent;
    for (auto& v : voices_) {
        if (v->released && !v->audible()) silent.push_back(std::move(v));
    }
    voices_.erase(std::remove(voices_.begin(), voices_.end(), nullptr), voices_.end());
    return silent;
}

void Mixer::renderVoice(Voice& v, float* out, size_t frames) {
    const WaveData& wave = *v.wave;
    if (v.playing) {
        const size_t rendered = renderHeadFor(wave, v.main, v.gain, v.step, out, frames);
        if (rendered < frames) {
            // Played once to its end: the buffer stops and rewinds.
            v.playing = false;
            v.main.frame = 0.0;
            v.main.fade.jumpTo(0.0);
        }
    }
    for (ReadHead& head : v.fading) {
        if (!head.active) continue;
        const size_t rendered = renderHeadFor(wave, head, v.gain, v.step, out, frames);
        if (rendered < frames || head.fade.settledAt(0.0)) head.active = false;
    }
    v.gain.skip(frames);
    v.step.skip(frames);
}

void Mixer::render(float* out, size_t frames) {
    std::fill(out, out + frames * MIXER_OUTPUT_CHANNELS, 0.0f);
    {
        std::lock_guard guard(lock_);
        for (const auto& v : voices_) {
            if (v->audible()) {
                renderVoice(*v, out, frames);
            } else {
                // Nothing to hear: volume and pitch are where they are going.
                v->gain.jumpTo(v->gain.target);
                v->step.jumpTo(v->step.target);
            }
        }
    }
    for (size_t i = 0; i < frames * MIXER_OUTPUT_CHANNELS; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

}  // namespace rumblet
