#include "sound/wave_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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

}  // namespace

WaveData loadWaveFile(const std::string& path) {
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) refuse(path, sf_strerror(nullptr));
    return readSamples(file.get(), info, path);
}

WaveData decodeWave(const void* bytes, size_t size, const std::string& name) {
    MemoryFile memory{static_cast<const unsigned char*>(bytes), static_cast<sf_count_t>(size), 0};
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
