#include "sound/wave_file.h"

#include <filesystem>
#include <fstream>

#include "sound/wave_chunks.h"
#include "sound/wave_samples.h"

namespace rumblet {

WaveData loadWaveFile(const std::string& path) {
    // The path is UTF-8 on every system; on Windows u8path opens it with the
    // wide file functions, so names beyond the ANSI code page are found.
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary | std::ios::ate);
    if (!in) refuseWave(path, "cannot be opened");
    const std::streamoff size = in.tellg();
    if (size < 0) refuseWave(path, "cannot be read");
    if (static_cast<uint64_t>(size) > MAX_WAVE_FILE_BYTES) refuseWave(path, "file too large");
    std::vector<char> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(bytes.data(), size)) refuseWave(path, "cannot be read");
    // The plain wave of the chunk walk holds all a decoder reads: the file's
    // own bytes go before the samples are made, so a long sound is not held
    // three times over while it is decoded.
    const SoundChunks chunks = soundChunksOf(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), path);
    std::vector<char>().swap(bytes);
    return decodePlatformSamples(chunks, path);
}

WaveData decodeWave(const void* bytes, size_t size, const std::string& name) {
    return decodeWaveWith(decodePlatformSamples, bytes, size, name);
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
