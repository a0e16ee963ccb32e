#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "demo_sound_set.h"

namespace demo {
namespace {

constexpr double TWO_PI = 2.0 * std::numbers::pi;

// A small fixed generator, so the files do not depend on the standard
// library's distributions.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    // Uniform in [-1, 1).
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return double(state_ >> 8) / double(1u << 23) - 1.0;
    }

private:
    uint32_t state_;
};

double smoothStep(double u) {
    u = std::clamp(u, 0.0, 1.0);
    return u * u * (3.0 - 2.0 * u);
}

double mix(double a, double b, double u) { return a + (b - a) * u; }

double seconds(int32_t sample) { return double(sample) / SAMPLE_RATE; }

constexpr EngineState IDLE{1.0, 0.55, 0.25};
constexpr EngineState DRIVING{1.0, 0.9, 0.8};
constexpr EngineState SILENT{1.0, 0.0, 0.0};

EngineState between(const EngineState& a, const EngineState& b, double u) {
    return {mix(a.pitch, b.pitch, u), mix(a.level, b.level, u), mix(a.brightness, b.brightness, u)};
}

// Cranking: three slow chugs at a low pitch, then the engine catches, revs
// up and settles at the idle.
EngineState startAt(double t) {
    constexpr double crankEnd = 0.45;
    constexpr double revTop = 0.8;
    if (t < crankEnd) {
        const double chug = std::pow(std::sin(std::numbers::pi * t / 0.15), 2.0);
        return {0.45, 0.45 * chug, 0.1};
    }
    if (t < revTop) return between({0.45, 0.0, 0.1}, {1.3, 1.0, 0.5}, smoothStep((t - crankEnd) / (revTop - crankEnd)));
    const double end = seconds(ENGINE_SEGMENTS[0].end);
    return between({1.3, 1.0, 0.5}, IDLE, smoothStep((t - revTop) / (end - revTop)));
}

// Moving off: the revs rise and drop back as in a gear change, while the
// sound grows from the idle to the driving level.
EngineState accelerateAt(double u) {
    constexpr double shiftAt = 0.7;
    const double rise = smoothStep(u / shiftAt);
    const double rev = u < shiftAt ? rise : 1.0 - smoothStep((u - shiftAt) / (1.0 - shiftAt));
    EngineState s = between(IDLE, DRIVING, rise);
    s.pitch = 1.0 + 0.35 * rev;
    return s;
}

// Braking: the revs dip and the sound falls back to the idle.
EngineState brakeAt(double u) {
    EngineState s = between(DRIVING, IDLE, smoothStep(u));
    s.pitch = 1.0 - 0.2 * std::sin(std::numbers::pi * u);
    return s;
}

// Engine stop: the revs run down and the sound dies away.
EngineState stopAt(double u) {
    if (u >= 1.0) return SILENT;
    return {1.0 - 0.7 * smoothStep(u), IDLE.level * (1.0 - u) * (1.0 - u), mix(IDLE.brightness, 0.1, u)};
}

int16_t toSample(double v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
}

Samples normalized(const std::vector<double>& v, double peak) {
    double top = 0.0;
    for (double x : v) top = std::max(top, std::abs(x));
    Samples out(v.size());
    const double gain = top > 0.0 ? peak / top : 0.0;
    std::transform(v.begin(), v.end(), out.begin(), [gain](double x) { return toSample(x * gain); });
    return out;
}

}  // namespace

EngineState engineStateAt(double t) {
    const auto& seg = ENGINE_SEGMENTS;
    auto within = [&](int i) { return (t - seconds(seg[i].start)) / seconds(seg[i].end - seg[i].start); };
    if (t < seconds(seg[0].end)) return startAt(t);
    if (t < seconds(seg[2].start)) return IDLE;
    if (t < seconds(seg[3].start)) return accelerateAt(within(2));
    if (t < seconds(seg[4].start)) return DRIVING;
    if (t < seconds(seg[4].end)) return brakeAt(within(4));
    if (t < seconds(seg[5].start)) return IDLE;
    return stopAt((t - seconds(seg[5].start)) / seconds(ENGINE_STOP_SOUND_SAMPLES));
}

// A sum of the fundamental's harmonics with fixed phases (a buzz rather than
// a pulse) and a body around the 4th to 7th harmonic; brightness lifts the
// upper harmonics. Only whole harmonics of one phase, so every stretch of
// constant pitch repeats exactly once per engine cycle.
Samples synthesizeEngine() {
    Noise phases(7);
    std::array<double, ENGINE_HARMONICS + 1> harmonicPhase{};
    for (double& p : harmonicPhase) p = TWO_PI * phases.next();

    std::vector<double> out(ENGINE_SAMPLES);
    double cycle = 0.0;  // engine cycles since the start, fractional
    for (int32_t i = 0; i < ENGINE_SAMPLES; ++i) {
        const EngineState s = engineStateAt(seconds(i));
        double v = 0.0;
        double weight = 0.0;
        for (int k = 1; k <= ENGINE_HARMONICS; ++k) {
            const double body = (k >= 4 && k <= 7) ? 1.6 : 1.0;
            const double a = body * std::pow(double(k), -(1.3 - 0.8 * s.brightness));
            v += a * std::sin(TWO_PI * k * cycle + harmonicPhase[k]);
            weight += a;
        }
        out[i] = s.level * v / weight * 2.0;
        cycle += s.pitch * ENGINE_FUNDAMENTAL_HZ / SAMPLE_RATE;
        cycle -= std::floor(cycle);
    }
    return normalized(out, 0.8);
}

// A crack of broadband noise over a low boom that sinks in pitch.
Samples synthesizeShot() {
    Noise noise(11);
    std::vector<double> out(SHOT_SAMPLES);
    double boomNoise = 0.0;
    double boomPhase = 0.0;
    const double fadeFrom = seconds(SHOT_SAMPLES) - 0.05;
    for (int32_t i = 0; i < SHOT_SAMPLES; ++i) {
        const double t = seconds(i);
        const double attack = std::min(1.0, t / 0.002);
        const double fade = t > fadeFrom ? (seconds(SHOT_SAMPLES) - t) / 0.05 : 1.0;
        const double white = noise.next();
        boomNoise += 0.08 * (white - boomNoise);  // one-pole low pass, about 300 Hz
        boomPhase += TWO_PI * mix(110.0, 45.0, std::min(1.0, t / 0.4)) / SAMPLE_RATE;
        const double crack = white * std::exp(-t / 0.06);
        const double boom = (3.0 * boomNoise + std::sin(boomPhase)) * std::exp(-t / 0.25);
        out[i] = attack * fade * (0.9 * crack + 0.6 * boom);
    }
    return normalized(out, 0.9);
}

// A whine with a slight wobble; every rate is a whole number of cycles per
// loop, so the looped buffer has no seam.
Samples synthesizeTurret() {
    std::vector<double> out(TURRET_LOOP_SAMPLES);
    const double loop = seconds(TURRET_LOOP_SAMPLES);
    const double wobbleHz = 6.0 / loop;
    const double flutterHz = 12.0 / loop;
    for (int32_t i = 0; i < TURRET_LOOP_SAMPLES; ++i) {
        const double t = seconds(i);
        const double phase = TWO_PI * TURRET_TONE_HZ * t + 0.3 * std::sin(TWO_PI * wobbleHz * t);
        const double level = 1.0 + 0.15 * std::sin(TWO_PI * flutterHz * t);
        out[i] = level * (std::sin(phase) + 0.25 * std::sin(2.0 * phase));
    }
    return normalized(out, 0.6);
}

// Rain: many partials of random phase inside a high band, each a whole
// number of cycles per loop, with a slow swell.
Samples synthesizeRain() {
    Noise noise(23);
    const double loop = seconds(RAIN_LOOP_SAMPLES);
    constexpr int partials = 400;
    std::vector<double> hz(partials), phase(partials);
    for (int p = 0; p < partials; ++p) {
        const double wanted = mix(RAIN_BAND.lowHz + 100.0, RAIN_BAND.highHz - 100.0, 0.5 * (noise.next() + 1.0));
        hz[p] = std::round(wanted * loop) / loop;
        phase[p] = TWO_PI * noise.next();
    }
    std::vector<double> out(RAIN_LOOP_SAMPLES);
    for (int32_t i = 0; i < RAIN_LOOP_SAMPLES; ++i) {
        const double t = seconds(i);
        double v = 0.0;
        for (int p = 0; p < partials; ++p) v += std::sin(TWO_PI * hz[p] * t + phase[p]);
        out[i] = v * (1.0 + 0.3 * std::sin(TWO_PI * 2.0 / loop * t));
    }
    return normalized(out, 0.5);
}

}  // namespace demo
