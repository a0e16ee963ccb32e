#include "sound/testing/test_waves.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <sstream>
#include <stdexcept>

namespace rumblet::testing {

namespace {

void put16(std::string& out, uint32_t v) { out += {char(v), char(v >> 8)}; }
void put32(std::string& out, uint32_t v) { out += {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

// The nearest integer of `bits` bits to x * full scale, held to the range.
int64_t quantised(float x, int bits) {
    const double top = std::ldexp(1.0, bits - 1);
    return std::clamp<int64_t>(std::llrint(double(x) * (top - 1.0)), int64_t(-top), int64_t(top - 1.0));
}

}  // namespace

void writeWaveFile(const std::string& path, const std::vector<float>& samples, int channels,
                   int sampleRate, SampleFormat format) {
    uint16_t tag = 1;  // integer PCM
    int bytes = 2;
    switch (format) {
        case SampleFormat::Unsigned8: bytes = 1; break;
        case SampleFormat::Pcm16: bytes = 2; break;
        case SampleFormat::Pcm24: bytes = 3; break;
        case SampleFormat::Pcm32: bytes = 4; break;
        case SampleFormat::Float32: tag = 3, bytes = 4; break;
        case SampleFormat::ImaAdpcm: tag = 0x11, bytes = 0; break;
    }
    std::string data;
    for (float x : samples) {
        if (format == SampleFormat::Float32) {
            uint32_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            put32(data, bits);
        } else if (format == SampleFormat::Unsigned8) {
            data += char(quantised(x, 8) + 128);
        } else if (bytes > 0) {
            const auto v = static_cast<uint32_t>(quantised(x, 8 * bytes));
            for (int i = 0; i < bytes; ++i) data += char(v >> (8 * i));
        }
    }
    std::string fmt;
    put16(fmt, tag);
    put16(fmt, uint16_t(channels));
    put32(fmt, uint32_t(sampleRate));
    if (format == SampleFormat::ImaAdpcm) {
        // 4-bit codes in blocks of 256 bytes per channel; the loader refuses
        // the format before it reads any, so the codes are only filler.
        const uint16_t block = uint16_t(256 * channels);
        const uint16_t framesPerBlock = 505;
        put32(fmt, uint32_t(sampleRate) * block / framesPerBlock);
        put16(fmt, block);
        put16(fmt, 4);
        put16(fmt, 2);
        put16(fmt, framesPerBlock);
        const size_t blocks = (samples.size() / size_t(channels) + framesPerBlock - 1) / framesPerBlock;
        data.assign(blocks * block, '\x11');
    } else {
        put32(fmt, uint32_t(sampleRate * channels * bytes));
        put16(fmt, uint16_t(channels * bytes));
        put16(fmt, uint16_t(8 * bytes));
    }
    std::string file = "RIFF";
    put32(file, uint32_t(4 + 8 + fmt.size() + 8 + data.size() + (data.size() & 1)));
    file += "WAVEfmt ";
    put32(file, uint32_t(fmt.size()));
    file += fmt + "data";
    put32(file, uint32_t(data.size()));
    file += data;
    if (data.size() & 1) file += '\0';
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    if (!out.write(file.data(), std::streamsize(file.size())))
        throw std::runtime_error("cannot write " + path);
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
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "rumblet-%08x", static_cast<unsigned>(entropy()));
        const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temp folder");
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
