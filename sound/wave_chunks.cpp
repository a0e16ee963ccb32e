#include "sound/wave_chunks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/sound_device.h"

namespace rumblet {

namespace {

constexpr size_t RIFF_HEADER_BYTES = 12;  // "RIFF", size, "WAVE"
constexpr size_t CHUNK_HEADER_BYTES = 8;  // id, size

uint32_t sizeField(const unsigned char* p, bool bigEndian) {
    return bigEndian ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                     : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
}

void appendSizeField(std::vector<unsigned char>& out, size_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (bigEndian ? 8 * (3 - i) : 8 * i)));
}

bool isChunk(const unsigned char* at, const char* id) { return std::memcmp(at, id, 4) == 0; }

}  // namespace

void refuseWave(const std::string& name, const std::string& reason) {
    throw SoundError(SOUND_ERROR_BAD_WAVE_FILE, name + ": " + reason);
}

SoundChunks soundChunksOf(const unsigned char* bytes, size_t size, const std::string& name) {
    if (size < RIFF_HEADER_BYTES) refuseWave(name, "too short for a wave file");
    const bool bigEndian = isChunk(bytes, "RIFX");
    if ((!bigEndian && !isChunk(bytes, "RIFF")) || !isChunk(bytes + 8, "WAVE")) refuseWave(name, "not a RIFF wave file");

    // Every chunk is checked, also those after the sound: a file damaged
    // anywhere but in its sound data is refused as a whole.
    const unsigned char* format = nullptr;
    size_t formatBytes = 0;
    const unsigned char* data = nullptr;
    size_t dataBytes = 0;
    size_t at = RIFF_HEADER_BYTES;
    while (size - at >= CHUNK_HEADER_BYTES) {
        const unsigned char* chunk = bytes + at;
        const size_t length = sizeField(chunk + 4, bigEndian);
        const size_t left = size - at - CHUNK_HEADER_BYTES;
        if (length > left && !isChunk(chunk, "data"))
            refuseWave(name, "damaged chunk \"" + std::string(reinterpret_cast<const char*>(chunk), 4) + "\"");
        if (isChunk(chunk, "fmt ") && !format) {
            format = chunk + CHUNK_HEADER_BYTES;
            formatBytes = length;
        }
        if (isChunk(chunk, "data") && !data) {
            data = chunk + CHUNK_HEADER_BYTES;
            dataBytes = std::min(length, left);
        }
        if (length >= left) break;
        at += CHUNK_HEADER_BYTES + length + (length & 1);  // chunks are padded to even sizes
    }
    if (!format) refuseWave(name, "no format chunk");
    if (formatBytes < MIN_FORMAT_CHUNK_BYTES) refuseWave(name, "format chunk too short");
    if (!data) refuseWave(name, "no sound data");

    SoundChunks chunks;
    chunks.bigEndian = bigEndian;
    std::vector<unsigned char>& wave = chunks.wave;
    wave.reserve(RIFF_HEADER_BYTES + 2 * CHUNK_HEADER_BYTES + formatBytes + 1 + dataBytes);
    wave.insert(wave.end(), bytes, bytes + 4);
    appendSizeField(wave, 0, bigEndian);  // set below
    wave.insert(wave.end(), bytes + 8, bytes + RIFF_HEADER_BYTES);
    wave.insert(wave.end(), format - CHUNK_HEADER_BYTES, format - 4);
    appendSizeField(wave, formatBytes, bigEndian);
    chunks.formatAt = wave.size();
    chunks.formatBytes = formatBytes;
    wave.insert(wave.end(), format, format + formatBytes);
    if (formatBytes & 1) wave.push_back(0);
    wave.insert(wave.end(), data - CHUNK_HEADER_BYTES, data - 4);
    appendSizeField(wave, dataBytes, bigEndian);
    chunks.dataAt = wave.size();
    chunks.dataBytes = dataBytes;
    wave.insert(wave.end(), data, data + dataBytes);
    std::vector<unsigned char> riffSize;
    appendSizeField(riffSize, wave.size() - CHUNK_HEADER_BYTES, bigEndian);
    std::copy(riffSize.begin(), riffSize.end(), wave.begin() + 4);
    return chunks;
}

WaveData decodeWaveWith(SampleDecoder decoder, const void* bytes, size_t size, const std::string& name) {
    return decoder(soundChunksOf(static_cast<const unsigned char*>(bytes), size, name), name);
}

WaveFormat checkedWaveFormat(int64_t channels, int64_t sampleRate, int32_t bytesPerSample, int64_t frames,
                             const std::string& name) {
    if (bytesPerSample == 0) refuseWave(name, "compressed or unknown sample format");
    if (channels < 1 || channels > MAX_WAVE_CHANNELS)
        refuseWave(name, std::to_string(channels) + " channels (only mono and stereo play)");
    if (sampleRate < MIN_FREQUENCY_HZ || sampleRate > MAX_FREQUENCY_HZ)
        refuseWave(name, "sample rate " + std::to_string(sampleRate) + " Hz out of range");
    if (frames <= 0) refuseWave(name, "no sound data");
    if (frames > MAX_WAVE_SAMPLES / channels) refuseWave(name, "sound too long");
    return WaveFormat{static_cast<int32_t>(sampleRate), static_cast<int32_t>(channels), bytesPerSample};
}

void silenceNonFinite(std::vector<float>& samples) {
    for (float& s : samples) {
        if (!std::isfinite(s)) s = 0.0f;
    }
}

}  // namespace rumblet
