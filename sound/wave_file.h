// Wave files read into memory for the sound device. The whole sound is held
// at once; its geometry (bytes per sample, block size, data size) is that of
// the file's own format, so byte positions in the buffer match what the
// sound editor marks and the positions file stores. The samples themselves
// are kept as floats in -1..1, ready for the mixer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rumblet {

// Playback rates the device accepts, for files and for SetFrequency.
inline constexpr int32_t MIN_FREQUENCY_HZ = 100;
inline constexpr int32_t MAX_FREQUENCY_HZ = 200000;
// Mono and stereo sounds are played; more channels are refused.
inline constexpr int32_t MAX_WAVE_CHANNELS = 2;
// A sound of more samples than this is refused before anything is allocated
// (about six minutes of 44.1 kHz stereo; 128 MB in memory).
inline constexpr int64_t MAX_WAVE_SAMPLES = int64_t{32} * 1024 * 1024;

// A file larger than this is refused before it is read: the most samples at
// the widest format, and room for the chunks around them.
inline constexpr uint64_t MAX_WAVE_FILE_BYTES = uint64_t(MAX_WAVE_SAMPLES) * 8 + 1024 * 1024;

struct WaveFormat {
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bytesPerSample = 0;  // in the file: 1 (8-bit, A-law, mu-law), 2, 3, 4 or 8
    int32_t blockAlign() const { return channels * bytesPerSample; }
};

struct WaveData {
    WaveFormat format;
    int64_t frames = 0;
    std::vector<float> samples;  // interleaved, frames * channels
    // Size of the sound data in the file's format: the buffer's length.
    int32_t dataBytes() const { return static_cast<int32_t>(frames * format.blockAlign()); }
};

// Loads a wave file: reads it into memory and decodes it (decodeWave).
// `path` is UTF-8 on every system.
// Throws SoundError (SOUND_ERROR_BAD_WAVE_FILE) with a message naming the
// file when it cannot be read or is larger than MAX_WAVE_FILE_BYTES.
WaveData loadWaveFile(const std::string& path);

// Decodes a wave file's bytes; `name` is used in messages. Our own chunk
// walk (sound/wave_chunks.h) comes first, then the platform's sample
// decoder (sound/wave_samples.h). Throws SoundError when they are no usable
// wave file: not a RIFF wave, a chunk other than the sound data running
// past the end, no format or data chunk, a compressed or unknown sample
// format, no or too many channels, a rate outside MIN..MAX_FREQUENCY_HZ,
// no sound data, or more than MAX_WAVE_SAMPLES.
WaveData decodeWave(const void* bytes, size_t size, const std::string& name);

// A sound made in memory (tests, previews): interleaved samples in -1..1,
// with the byte geometry of `bytesPerSample`-byte samples.
WaveData makeWave(std::vector<float> samples, int32_t channels, int32_t sampleRate,
                  int32_t bytesPerSample);

}  // namespace rumblet
