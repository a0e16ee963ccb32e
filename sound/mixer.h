// The software mixer behind every sound buffer. It is free of any operating
// system call and pull-driven: an output (the SDL device, a test, a
// benchmark) asks it to render a block of interleaved stereo floats, and it
// mixes every playing buffer into that block.
//
// Each buffer is a voice: a read head through its sound with a position, a
// playback frequency (resampled to the output rate band-limited, see
// sound/resampler.h), a volume and a loop flag. Nothing the sound engine
// does may click, so volume and frequency changes ramp over a few
// milliseconds, and a stop or a jump of the position while the buffer plays
// hands the old read head over to a short fade-out while the new one fades
// in. The buffer reports the new position at once; only the sound is
// smoothed. A buffer released while it sounds fades out the same way; its
// voice stays with the mixer until it is silent.
//
// Threads: buffer operations come from the window thread, render() from the
// audio thread. Both take the mixer's one mutex: an operation holds it for a
// few assignments, render() for one block (13 voices of 192 frames take
// about 0.1 ms). render() allocates and frees nothing: the
// voices of released buffers are freed on the window thread, by the next
// buffer made or released once they are silent.
//
// Cursors: the play cursor is the next byte of the sound the mixer will
// take. The write cursor is the same byte: the mixer takes nothing ahead of
// it, because the sound data never changes after loading. What is heard
// trails the play cursor by the output's queue (at most about 20 ms).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sound/sound_device.h"
#include "sound/wave_file.h"

namespace rumblet {

inline constexpr int32_t MIXER_OUTPUT_CHANNELS = 2;  // interleaved left, right
inline constexpr double CROSSFADE_MS = 4.0;          // stop, start and jump fades
inline constexpr double VOLUME_RAMP_MS = 5.0;        // SetVolume while audible
inline constexpr double FREQUENCY_GLIDE_MS = 10.0;   // SetFrequency while audible
inline constexpr int32_t SILENT_VOLUME = -10000;     // hundredths of a decibel
inline constexpr int32_t FULL_VOLUME = 0;
// A volume in hundredths of a decibel is a gain of 10^(volume / 2000).
inline constexpr double HUNDREDTHS_DB_PER_DECADE = 2000.0;

// The linear gain of a volume, clamped to SILENT_VOLUME..FULL_VOLUME.
double gainForVolume(int32_t hundredthsOfDecibel);

class Mixer : public std::enable_shared_from_this<Mixer> {
public:
    static std::shared_ptr<Mixer> create(int32_t outputRate);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    int32_t outputRate() const { return outputRate_; }

    // A buffer playing `wave` through this mixer: at position 0, not
    // playing, at full volume and at the sound's own rate. The buffer keeps
    // the mixer alive, so it may outlive the device that made it. Throws
    // SoundError for a sound it cannot play (no frames, bad format).
    std::unique_ptr<SoundBuffer> createBuffer(std::shared_ptr<const WaveData> wave);

    // Mixes every playing buffer into `out`: `frames` frames of interleaved
    // stereo, overwritten, each sample clamped to -1..1.
    void render(float* out, size_t frames);

    struct Voice;

private:
    explicit Mixer(int32_t outputRate);
    friend class MixerBuffer;

    uint32_t framesFor(double milliseconds) const;
    void renderVoice(Voice& voice, float* out, size_t frames);
    // With the lock held.
    void stopVoice(Voice& voice);
    std::vector<std::unique_ptr<Voice>> takeSilentReleased();
    // A buffer's end: its voice fades out and is freed by a later call on
    // the window thread once silent.
    void release(Voice* voice);

    const int32_t outputRate_;
    const uint32_t crossfadeFrames_;
    const uint32_t volumeRampFrames_;
    const uint32_t frequencyGlideFrames_;
    std::mutex lock_;
    std::vector<std::unique_ptr<Voice>> voices_;  // released ones stay until silent
};

}  // namespace rumblet
