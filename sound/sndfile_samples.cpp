#include "sound/sndfile_samples.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "sound/wave_samples.h"

namespace rumblet {

namespace {

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

// libsndfile reads the wave in memory through these callbacks.
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

WaveData decodeSamplesWithSndfile(const SoundChunks& chunks, const std::string& name) {
    MemoryFile memory{chunks.wave.data(), static_cast<sf_count_t>(chunks.wave.size()), 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    SndfileHandle file(sf_open_virtual(&io, SFM_READ, &info, &memory));
    if (!file) refuseWave(name, sf_strerror(nullptr));
    if (!isWaveContainer(info.format)) refuseWave(name, "not a RIFF wave file");

    WaveData wave;
    wave.format = checkedWaveFormat(info.channels, info.samplerate, bytesPerSampleOf(info.format), info.frames, name);
    wave.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file.get(), wave.samples.data(), info.frames);
    if (got <= 0) refuseWave(name, "no readable sound data");
    wave.frames = got;
    wave.samples.resize(static_cast<size_t>(got) * static_cast<size_t>(info.channels));
    silenceNonFinite(wave.samples);
    return wave;
}

WaveData decodePlatformSamples(const SoundChunks& chunks, const std::string& name) {
    return decodeSamplesWithSndfile(chunks, name);
}

}  // namespace rumblet
