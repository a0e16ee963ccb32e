// The RIFF chunks of a wave file, walked by our own code before any decoder
// sees the sound. A user's sound folder may hold anything: a chunk that
// claims more bytes than the file has, lists and tags a decoder can loop
// over for ever, chunks in an odd order. The walk refuses what is damaged
// beyond the sound data and hands on one plain wave made of only what
// the program plays: the RIFF header, the first format chunk and the first
// data chunk, in that order. Every sample decoder (sound/wave_samples.h)
// reads that same wave, so each gives the same sound from the same file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sound/wave_file.h"

namespace rumblet {

struct SoundChunks {
    // "RIFF" (or "RIFX" for a big-endian wave), size, "WAVE", the format
    // chunk (padded to an even size), then the data chunk: its size field
    // counts the bytes that are really there.
    std::vector<unsigned char> wave;
    bool bigEndian = false;
    size_t formatAt = 0;     // the format chunk's content in `wave`
    size_t formatBytes = 0;  // at least MIN_FORMAT_CHUNK_BYTES
    size_t dataAt = 0;       // the sound data in `wave`, to its end
    size_t dataBytes = 0;
};

// The shortest format chunk: tag, channels, rate, bytes per second, block
// size, bits per sample.
inline constexpr size_t MIN_FORMAT_CHUNK_BYTES = 16;

// Walks a wave file's bytes. Throws SoundError (SOUND_ERROR_BAD_WAVE_FILE,
// naming `name`) when they are no RIFF wave, a chunk other than the sound
// data runs past the end, or the format or the data chunk is missing. Only
// the sound data may be cut short (a recording that broke off): what is
// there is the sound.
SoundChunks soundChunksOf(const unsigned char* bytes, size_t size, const std::string& name);

// Decodes a wave's sound chunks into samples: one decoder of the platform
// (libsndfile on Linux, our own elsewhere) or a test's choice.
using SampleDecoder = WaveData (*)(const SoundChunks& chunks, const std::string& name);

// decodeWave with the decoder given.
WaveData decodeWaveWith(SampleDecoder decoder, const void* bytes, size_t size, const std::string& name);

// What every decoder checks once it knows the layout, before it allocates:
// throws SoundError for no or too many channels, a rate outside
// MIN..MAX_FREQUENCY_HZ, no frames or more than MAX_WAVE_SAMPLES.
// `bytesPerSample` is that of the file's format.
WaveFormat checkedWaveFormat(int64_t channels, int64_t sampleRate, int32_t bytesPerSample, int64_t frames,
                             const std::string& name);

// Float files may carry values that would poison the whole mix: they
// become silence.
void silenceNonFinite(std::vector<float>& samples);

[[noreturn]] void refuseWave(const std::string& name, const std::string& reason);

}  // namespace rumblet
