#include "sound/testing/test_waves.h"

#include <sndfile.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace rumblet::testing {

namespace {

int subtypeOf(SampleFormat format) {
    switch (format) {
        case SampleFormat::Unsigned8: return SF_FORMAT_PCM_U8;
        case SampleFormat::Pcm16: return SF_FORMAT_PCM_16;
        case SampleFormat::Pcm24: return SF_FORMAT_PCM_24;
        case SampleFormat::Pcm32: return SF_FORMAT_PCM_32;
        case SampleFormat::Float32: return SF_FORMAT_FLOAT;
        case SampleFormat::ImaAdpcm: return SF_FORMAT_IMA_ADPCM;
    }
    return SF_FORMAT_PCM_16;
}

}  // namespace

void writeWaveFile(const std::string& path, const std::vector<float>& samples, int channels,
                   int sampleRate, SampleFormat format) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = SF_FORMAT_WAV | subtypeOf(format);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<size_t>(channels));
    const sf_count_t written = sf_writef_float(file, samples.data(), frames);
    sf_close(file);
    if (written != frames) throw std::runtime_error("short write of " + path);
}

std::vector<float> sineWave(double hz, size_t frames, int sampleRate, double amplitude) {
    std::vector<float> out(frames);
    for (size_t i = 0; i < frames; ++i)
        out[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * i / sampleRate));
    return out;
}

std::vector<float> renderStereo(OfflineSoundSystem& system, size_t frames) {
    std::vector<float> out(frames * MIXER_OUTPUT_CHANNELS);
    system.render(out.data(), frames);
    return out;
}

std::vector<float> leftChannel(const std::vector<float>& stereo) {
    std::vector<float> out;
    out.reserve(stereo.size() / MIXER_OUTPUT_CHANNELS);
    for (size_t i = 0; i < stereo.size(); i += MIXER_OUTPUT_CHANNELS) out.push_back(stereo[i]);
    return out;
}

double peakAmplitude(const std::vector<float>& mono) {
    double peak = 0.0;
    for (float s : mono) peak = std::max(peak, static_cast<double>(std::fabs(s)));
    return peak;
}

double largestStep(const std::vector<float>& mono) {
    double step = 0.0;
    for (size_t i = 1; i < mono.size(); ++i)
        step = std::max(step, static_cast<double>(std::fabs(mono[i] - mono[i - 1])));
    return step;
}

double toneFrequency(const std::vector<float>& mono, int sampleRate) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (size_t i = 1; i < mono.size(); ++i) {
        if (mono[i - 1] < 0.0f && mono[i] >= 0.0f) {
            const double at = (i - 1) + mono[i - 1] / (mono[i - 1] - mono[i]);
            if (first < 0.0) first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return (crossings - 1) * sampleRate / (last - first);
}

double tonePower(const std::vector<float>& mono, int sampleRate, double hz) {
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / sampleRate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (float s : mono) {
        const double current = s + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rumblet-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temp folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path full = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full.string();
}

std::string TempFolder::read(const std::string& relative) const {
    std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TempFolder::folder(const std::string& relative) const {
    const std::filesystem::path full = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(full);
    return full.string();
}

}  // namespace rumblet::testing
