// The sound device as the program sees it: one device object and one buffer
// per loaded wave file, with the operations both windows rely on.
//
// Units: positions and lengths are byte offsets into the buffer's sound data
// in the wave file's own format; volumes are attenuations in hundredths of a
// decibel (0 = full level, -10000 = silent); frequencies are playback rates in
// Hz. Every call comes from the window thread; the device plays in the
// background.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace rumblet {

struct WaveData;

// Play flags.
constexpr int32_t PLAY_ONCE = 0;
constexpr int32_t DSBPLAY_LOOPING = 1;

// A failing device operation. `code` is the device's error number and what()
// its description; the program's start-up message shows both.
class SoundError : public std::runtime_error {
public:
    SoundError(int32_t code, const std::string& description)
        : std::runtime_error(description), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

// The device's error numbers (SoundError::code).
constexpr int32_t SOUND_ERROR_NO_OUTPUT = 1;       // the audio output cannot be opened
constexpr int32_t SOUND_ERROR_BAD_WAVE_FILE = 2;   // a file that is no usable wave file

class SoundBuffer {
public:
    virtual ~SoundBuffer() = default;

    // Starts at the current position. On a playing buffer it goes on without
    // a restart. Played once, the buffer stops by itself at its end and its
    // position returns to 0.
    virtual void Play(int32_t flags) = 0;
    // Halts playback; the position stays where it was.
    virtual void Stop() = 0;
    // Non-zero while the buffer plays.
    virtual int32_t GetStatus() const = 0;
    // The next sample played is at `bytes`, also while playing.
    virtual void SetCurrentPosition(int32_t bytes) = 0;
    // The play cursor in bytes from the start of the sound data, and the
    // write cursor (the first byte the device has not yet taken for mixing).
    virtual void GetCurrentPosition(int32_t& playCursor, int32_t& writeCursor) const = 0;
    virtual void SetVolume(int32_t hundredthsOfDecibel) = 0;
    virtual void SetFrequency(int32_t hz) = 0;
    // The playback rate in Hz; right after loading, the file's sample rate.
    virtual int32_t GetFrequency() const = 0;
    // Size of the sound data in bytes (the buffer description's size field).
    virtual int32_t GetBufferBytes() const = 0;

    // The decoded samples this buffer plays, shared with every buffer of the
    // same file and never changed, for showing the sound (the editor's
    // waveform) without decoding it again; none from a device that keeps no
    // samples.
    virtual std::shared_ptr<const WaveData> decodedSound() const { return nullptr; }
};

class SoundDevice {
public:
    virtual ~SoundDevice() = default;

    // A buffer holding the whole file in its own format, at position 0, not
    // playing. Throws SoundError when the file cannot be read as a wave file.
    virtual std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path) = 0;

    // Asked now and then from the window thread: the message for the user,
    // once, when the audio output has been lost since the last call; empty
    // otherwise. Buffers keep working without an output, and a lost output
    // comes back by itself (sound/output_keeper.h). A device without an
    // audio output of its own never loses it.
    virtual std::string checkOutput() { return {}; }
};

// The root object of the sound interface: it creates the device object for
// the default output (DirectSoundCreate) and sets its cooperative level.
// Both throw SoundError on failure.
class SoundSystem {
public:
    virtual ~SoundSystem() = default;
    virtual std::unique_ptr<SoundDevice> DirectSoundCreate() = 0;
};

}  // namespace rumblet
