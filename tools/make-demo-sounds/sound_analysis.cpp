#include "sound_analysis.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

namespace demo {

using Complex = std::complex<double>;

void fft(std::vector<Complex>& data) {
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / double(len);
        const Complex step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            Complex w(1.0);
            for (size_t k = 0; k < len / 2; ++k) {
                const Complex even = data[i + k];
                const Complex odd = data[i + k + len / 2] * w;
                data[i + k] = even + odd;
                data[i + k + len / 2] = even - odd;
                w *= step;
            }
        }
    }
}

namespace {

// Below this the stretch counts as silence: no pitch is read from it.
constexpr double SILENCE_RMS = 1e-4;
// A dip of the normalised difference below this marks a period.
constexpr double PERIOD_DIP = 0.15;
// Without such a dip, the deepest one still counts when below this.
constexpr double WEAK_PERIOD_DIP = 0.35;

}  // namespace

std::span<const float> Recording::window(double fromSeconds, double seconds) const {
    const auto clip = [this](double s) {
        return std::clamp<long>(std::lround(s * rate), 0, long(samples.size()));
    };
    const long from = clip(fromSeconds);
    const long to = clip(fromSeconds + seconds);
    return std::span<const float>(samples).subspan(size_t(from), size_t(std::max(0L, to - from)));
}

namespace {

Recording readWith(const std::string& path, SF_INFO info) {
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    std::vector<float> interleaved(size_t(info.frames) * size_t(info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    Recording r;
    r.rate = info.samplerate;
    r.samples.resize(size_t(std::max<sf_count_t>(got, 0)));
    for (size_t i = 0; i < r.samples.size(); ++i) {
        double sum = 0.0;
        for (int c = 0; c < info.channels; ++c) sum += interleaved[i * size_t(info.channels) + size_t(c)];
        r.samples[i] = float(sum / info.channels);
    }
    return r;
}

}  // namespace

Recording readRecording(const std::string& path) { return readWith(path, SF_INFO{}); }

Recording readRawFloatRecording(const std::string& path, int rate, int channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_RAW | SF_FORMAT_FLOAT | SF_ENDIAN_CPU;
    return readWith(path, info);
}

void writeRecording(const std::string& path, const Recording& recording) {
    SF_INFO info{};
    info.samplerate = recording.rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    const sf_count_t written = sf_write_float(file, recording.samples.data(), sf_count_t(recording.samples.size()));
    sf_close(file);
    if (written != sf_count_t(recording.samples.size())) throw std::runtime_error("cannot write " + path);
}

double rmsLevel(std::span<const float> x) {
    if (x.empty()) return 0.0;
    double sum = 0.0;
    for (float v : x) sum += double(v) * v;
    return std::sqrt(sum / double(x.size()));
}

std::optional<double> fundamentalHz(std::span<const float> x, int rate, double minHz, double maxHz) {
    const size_t lagMax = size_t(std::ceil(rate / minHz));
    const size_t lagMin = std::max<size_t>(2, size_t(std::floor(rate / maxHz)));
    if (x.size() < 2 * lagMax + 2 || lagMin + 2 > lagMax || rmsLevel(x) < SILENCE_RMS) return std::nullopt;

    const size_t width = x.size() - lagMax - 1;
    std::vector<double> normalised(lagMax + 2, 1.0);
    double running = 0.0;
    for (size_t lag = 1; lag <= lagMax + 1; ++lag) {
        double d = 0.0;
        for (size_t i = 0; i < width; ++i) {
            const double diff = double(x[i]) - x[i + lag];
            d += diff * diff;
        }
        running += d;
        normalised[lag] = running > 0.0 ? d * double(lag) / running : 1.0;
    }

    size_t best = 0;
    for (size_t lag = lagMin; lag <= lagMax; ++lag) {
        if (normalised[lag] < PERIOD_DIP) {
            while (lag + 1 <= lagMax && normalised[lag + 1] < normalised[lag]) ++lag;
            best = lag;
            break;
        }
    }
    if (best == 0) {
        best = size_t(std::min_element(normalised.begin() + long(lagMin), normalised.begin() + long(lagMax) + 1) -
                      normalised.begin());
        if (normalised[best] >= WEAK_PERIOD_DIP) return std::nullopt;
    }

    // The dip's true bottom lies between samples: fit a parabola.
    double lag = double(best);
    const double before = normalised[best - 1], at = normalised[best], after = normalised[best + 1];
    const double curve = before - 2.0 * at + after;
    if (curve > 0.0) lag += 0.5 * (before - after) / curve;
    return rate / lag;
}

double bandLevel(std::span<const float> x, int rate, Band band) {
    if (x.empty() || rate <= 0) return 0.0;
    size_t n = 1;
    while (n < x.size()) n <<= 1;
    std::vector<Complex> data(n);
    double windowPower = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(x.size()));
        data[i] = x[i] * w;
        windowPower += w * w;
    }
    fft(data);
    double energy = 0.0;
    for (size_t k = 1; k < n / 2; ++k) {
        const double hz = double(k) * rate / double(n);
        if (hz >= band.lowHz && hz <= band.highHz) energy += std::norm(data[k]);
    }
    return windowPower > 0.0 ? std::sqrt(2.0 * energy / (double(n) * windowPower)) : 0.0;
}

}  // namespace demo
