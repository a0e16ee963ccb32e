#include "sound/wave_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>

#include "sound/sound_device.h"

namespace rumblet {

namespace {

[[noreturn]] void refuse(const std::string& name, const std::string& reason) {
    throw SoundError(SOUND_ERROR_BAD_WAVE_FILE, name + ": " + reason);
}

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

bool isWaveContainer(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    return major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX;
}

// Bytes of one sample in the file; 0 for formats whose bytes do not map
// to samples one to one (ADPCM, GSM and the like), which are refused.
int32_t bytesPerSampleOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW: return 1;
        case SF_FORMAT_PCM_16: return 2;
        case SF_FORMAT_PCM_24: return 3;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT: return 4;
        case SF_FORMAT_DOUBLE: return 8;
        default: return 0;
    }
}

WaveFormat checkedFormat(const SF_INFO& info, const std::string& name) {
    if (!isWaveContainer(info.format)) refuse(name, "not a RIFF wave file");
    WaveFormat format;
    format.bytesPerSample = bytesPerSampleOf(info.format);
    if (format.bytesPerSample == 0) refuse(name, "compressed or unknown sample format");
    if (info.channels < 1 || info.channels > MAX_WAVE_CHANNELS)
        refuse(name, std::to_string(info.channels) + " channels (only mono and stereo play)");
    if (info.samplerate < MIN_FREQUENCY_HZ || info.samplerate > MAX_FREQUENCY_HZ)
        refuse(name, "sample rate " + std::to_string(info.samplerate) + " Hz out of range");
    if (info.frames <= 0) refuse(name, "no sound data");
    if (info.frames > MAX_WAVE_SAMPLES / info.channels) refuse(name, "sound too long");
    format.channels = info.channels;
    format.sampleRate = info.samplerate;
    return format;
}

WaveData readSamples(SNDFILE* file, const SF_INFO& info, const std::string& name) {
    WaveData wave;
    wave.format = checkedFormat(info, name);
    wave.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    // A damaged file may hold fewer frames than its header says: what can
    // be read is the sound.
    const sf_count_t got = sf_readf_float(file, wave.samples.data(), info.frames);
    if (got <= 0) refuse(name, "no readable sound data");
    wave.frames = got;
    wave.samples.resize(static_cast<size_t>(got) * static_cast<size_t>(info.channels));
    // Float files may carry values that would poison the whole mix.
    for (float& s : wave.samples) {
        if (!std::isfinite(s)) s = 0.0f;
    }
    return wave;
}

// libsndfile reads the bytes in memory through these callbacks.
struct MemoryFile {
    const unsigned char* bytes;
    sf_count_t size;
    sf_count_t position;
};

sf_count_t memoryLength(void* user) { return static_cast<MemoryFile*>(user)->size; }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    sf_count_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->size : 0;
    if (offset > 0 && base > std::numeric_limits<sf_count_t>::max() - offset) return -1;
    const sf_count_t target = base + offset;
    if (target < 0) return -1;
    m->position = target;
    return m->position;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    if (count <= 0 || m->position >= m->size) return 0;
    const sf_count_t n = std::min(count, m->size - m->position);
    std::memcpy(out, m->bytes + m->position, static_cast<size_t>(n));
    m->position += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

constexpr size_t RIFF_HEADER_BYTES = 12;  // "RIFF", size, "WAVE"
constexpr size_t CHUNK_HEADER_BYTES = 8;  // id, size

uint32_t chunkSize(const unsigned char* p, bool bigEndian) {
    return bigEndian ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                     : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
}

// Walks the chunks of a RIFF wave before the decoder sees them: a chunk that
// claims more bytes than the file holds would make the decoder loop over
// bytes that are not there for minutes. Only the sound data itself may be
// cut short (a recording that broke off); what is there is the sound.
void checkChunks(const unsigned char* bytes, size_t size, const std::string& name) {
    if (size < RIFF_HEADER_BYTES) refuse(name, "too short for a wave file");
    const bool bigEndian = std::memcmp(bytes, "RIFX", 4) == 0;
    if ((!bigEndian && std::memcmp(bytes, "RIFF", 4) != 0) || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        refuse(name, "not a RIFF wave file");
    size_t at = RIFF_HEADER_BYTES;
    while (size - at >= CHUNK_HEADER_BYTES) {
        const uint32_t length = chunkSize(bytes + at + 4, bigEndian);
        const size_t left = size - at - CHUNK_HEADER_BYTES;
        if (length > left) {
            if (std::memcmp(bytes + at, "data", 4) == 0) return;
            refuse(name, "damaged chunk \"" + std::string(reinterpret_cast<const char*>(bytes + at), 4) + "\"");
        }
        at += CHUNK_HEADER_BYTES + length + (length & 1);  // chunks are padded to even sizes
        if (at > size) return;
    }
}

// The wave as the decoder gets it: the RIFF header, then only the chunks
// that describe and hold the sound ("fmt ", "fact", "data"), each as it
// stands. The decoder's readers of the other chunks (lists, cues, tags) can
// loop for ever over damaged ones, and the program needs none of them.
std::vector<unsigned char> soundChunksOnly(const unsigned char* bytes, size_t size) {
    const bool bigEndian = std::memcmp(bytes, "RIFX", 4) == 0;
    std::vector<unsigned char> lean(bytes, bytes + RIFF_HEADER_BYTES);
    size_t at = RIFF_HEADER_BYTES;
    while (size - at >= CHUNK_HEADER_BYTES) {
        const size_t length = chunkSize(bytes + at + 4, bigEndian);
        const size_t end = std::min(size, at + CHUNK_HEADER_BYTES + length + (length & 1));
        const bool keep = std::memcmp(bytes + at, "fmt ", 4) == 0 || std::memcmp(bytes + at, "fact", 4) == 0 ||
                          std::memcmp(bytes + at, "data", 4) == 0;
        if (keep) lean.insert(lean.end(), bytes + at, bytes + end);
        at = end;
    }
    const uint32_t riffSize = static_cast<uint32_t>(lean.size() - 8);
    for (int i = 0; i < 4; ++i)
        lean[size_t(4 + i)] = static_cast<unsigned char>(riffSize >> (bigEndian ? 8 * (3 - i) : 8 * i));
    return lean;
}

}  // namespace

WaveData loadWaveFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) refuse(path, "cannot be opened");
    const std::streamoff size = in.tellg();
    if (size < 0) refuse(path, "cannot be read");
    if (static_cast<uint64_t>(size) > MAX_WAVE_FILE_BYTES) refuse(path, "file too large");
    std::vector<char> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(bytes.data(), size)) refuse(path, "cannot be read");
    return decodeWave(bytes.data(), bytes.size(), path);
}

WaveData decodeWave(const void* bytes, size_t size, const std::string& name) {
    checkChunks(static_cast<const unsigned char*>(bytes), size, name);
    const std::vector<unsigned char> lean = soundChunksOnly(static_cast<const unsigned char*>(bytes), size);
    MemoryFile memory{lean.data(), static_cast<sf_count_t>(lean.size()), 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    SndfileHandle file(sf_open_virtual(&io, SFM_READ, &info, &memory));
    if (!file) refuse(name, sf_strerror(nullptr));
    return readSamples(file.get(), info, name);
}

WaveData makeWave(std::vector<float> samples, int32_t channels, int32_t sampleRate,
                  int32_t bytesPerSample) {
    WaveData wave;
    wave.format = WaveFormat{sampleRate, channels, bytesPerSample};
    wave.frames = static_cast<int64_t>(samples.size()) / channels;
    wave.samples = std::move(samples);
    return wave;
}

}  // namespace rumblet
