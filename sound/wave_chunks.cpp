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

void putSizeField(unsigned char* at, size_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (bigEndian ? 8 * (3 - i) : 8 * i));
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
    const size_t paddedFormat = formatBytes + (formatBytes & 1);
    chunks.formatAt = RIFF_HEADER_BYTES + CHUNK_HEADER_BYTES;
    chunks.formatBytes = formatBytes;
    chunks.dataAt = chunks.formatAt + paddedFormat + CHUNK_HEADER_BYTES;
    chunks.dataBytes = dataBytes;
    std::vector<unsigned char>& wave = chunks.wave;
    wave.assign(chunks.dataAt + dataBytes, 0);
    auto put = [&](size_t at, const unsigned char* from, size_t count) { std::memcpy(wave.data() + at, from, count); };
    put(0, bytes, 4);
    putSizeField(wave.data() + 4, wave.size() - CHUNK_HEADER_BYTES, bigEndian);
    put(8, bytes + 8, 4);
    put(chunks.formatAt - CHUNK_HEADER_BYTES, format - CHUNK_HEADER_BYTES, 4);
    putSizeField(wave.data() + chunks.formatAt - 4, formatBytes, bigEndian);
    put(chunks.formatAt, format, formatBytes);
    put(chunks.dataAt - CHUNK_HEADER_BYTES, data - CHUNK_HEADER_BYTES, 4);
    putSizeField(wave.data() + chunks.dataAt - 4, dataBytes, bigEndian);
    put(chunks.dataAt, data, dataBytes);
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
