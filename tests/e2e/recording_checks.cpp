#include "recording_checks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace e2e {

namespace {

double medianOf(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Two-pole low pass, so that the background's hiss and the turret's whine do
// not blur the engine's period.
std::vector<float> lowPassed(std::span<const float> x, int rate, double cutoffHz) {
    const double w = 2.0 * std::numbers::pi * cutoffHz / rate;
    const double alpha = std::sin(w) / (2.0 * std::sqrt(0.5));
    const double cosw = std::cos(w);
    const double a0 = 1.0 + alpha;
    const double b0 = (1.0 - cosw) / 2.0 / a0, b1 = (1.0 - cosw) / a0, b2 = b0;
    const double a1 = -2.0 * cosw / a0, a2 = (1.0 - alpha) / a0;
    std::vector<float> y(x.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double out = b0 * x[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x[i];
        y2 = y1;
        y1 = out;
        y[i] = float(out);
    }
    return y;
}

}  // namespace

LevelTrack::LevelTrack(const demo::Recording& recording, demo::Band band, double step) : step_(step) {
    for (double t = 0.0; t + step <= recording.duration(); t += step)
        levels_.push_back(demo::bandLevel(recording.window(t, step), recording.rate, band));
}

std::vector<double> LevelTrack::inRange(double from, double to) const {
    std::vector<double> v;
    for (size_t i = size_t(std::max(0.0, std::ceil(from / step_))); i < levels_.size() && double(i) * step_ < to; ++i)
        v.push_back(levels_[i]);
    return v;
}

double LevelTrack::median(double from, double to) const { return medianOf(inRange(from, to)); }

double LevelTrack::max(double from, double to) const {
    const auto v = inRange(from, to);
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

std::optional<double> LevelTrack::firstWhere(double from, double to, double hold,
                                             const std::function<bool(double)>& test) const {
    const size_t windows = std::max<size_t>(1, size_t(std::lround(hold / step_)));
    for (size_t i = size_t(std::max(0.0, std::ceil(from / step_))); i < levels_.size() && double(i) * step_ < to; ++i) {
        size_t held = 0;
        while (held < windows && i + held < levels_.size() && test(levels_[i + held])) ++held;
        if (held == windows) return double(i) * step_;
    }
    return std::nullopt;
}

std::optional<double> LevelTrack::firstAbove(double from, double to, double level, double hold) const {
    return firstWhere(from, to, hold, [level](double l) { return l > level; });
}

std::optional<double> LevelTrack::firstBelow(double from, double to, double level, double hold) const {
    return firstWhere(from, to, hold, [level](double l) { return l < level; });
}

namespace {

// The engine's pitch in each 0.2 s window of [from, to); nothing for windows
// without one.
std::vector<std::optional<double>> windowPitches(const demo::Recording& recording, double from, double to) {
    constexpr double window = 0.2;
    const std::vector<float> engine = lowPassed(recording.window(from, to - from), recording.rate, 1500.0);
    std::vector<std::optional<double>> pitches;
    for (double t = 0.0; t + window <= to - from + 1e-9; t += window / 2) {
        const auto part = std::span<const float>(engine).subspan(size_t(t * recording.rate),
                                                                 size_t(window * recording.rate));
        pitches.push_back(demo::fundamentalHz(part, recording.rate, 50.0, 200.0));
    }
    return pitches;
}

}  // namespace

std::optional<double> enginePitch(const demo::Recording& recording, double from, double to) {
    std::vector<double> found;
    for (const auto& p : windowPitches(recording, from, to))
        if (p) found.push_back(*p);
    if (found.empty()) return std::nullopt;
    return medianOf(found);
}

std::optional<SteadyPitch> steadyEnginePitch(const demo::Recording& recording, double from, double to) {
    const auto pitches = windowPitches(recording, from, to);
    std::vector<double> best;
    for (const auto& candidate : pitches) {
        if (!candidate) continue;
        std::vector<double> agreeing;
        for (const auto& p : pitches)
            if (p && std::abs(*p - *candidate) <= 0.01 * *candidate) agreeing.push_back(*p);
        if (agreeing.size() > best.size()) best = std::move(agreeing);
    }
    if (best.empty()) return std::nullopt;
    return SteadyPitch{medianOf(best), double(best.size()) / double(pitches.size())};
}

}  // namespace e2e
