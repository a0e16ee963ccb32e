// What the sound engine costs: the mixer with the program's most voices
// (and the old cubic resampler's inner loop beside it, as a reference),
// loading a wave file, and one sound decision.
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/sound/cubic_reference.h"
#include "bench/sound/mixing_load.h"
#include "sound/mixer.h"
#include "sound/sndfile_samples.h"
#include "sound/wave_samples.h"
#include "tanksound/sound_engine.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

constexpr int OUTPUT_RATE = 48000;
using bench::MOST_VOICES;
constexpr size_t BLOCK_FRAMES = 256;

// One second of output at 48 kHz from the program's heaviest load
// (bench/sound/mixing_load.h). The CPU time per iteration, divided by one
// second, is the share of one core that mixing takes.
void MixThirteenVoicesForOneSecond(benchmark::State& state) {
    auto mixer = Mixer::create(OUTPUT_RATE);
    bench::ThirteenVoices load(*mixer);
    for (auto _ : state) load.mixOneSecond(*mixer, BLOCK_FRAMES);
}
BENCHMARK(MixThirteenVoicesForOneSecond)->Unit(benchmark::kMillisecond);

// The old 4-point cubic's inner loop for the same 13 voices (mono, no
// ramps, no fades, no lock): the floor the band-limited mixer is compared
// with.
void CubicReferenceThirteenVoicesForOneSecond(benchmark::State& state) {
    std::vector<WaveData> waves;
    std::vector<double> positions(MOST_VOICES, 0.0);
    for (int v = 0; v < MOST_VOICES; ++v) {
        const int rate = v % 3 == 0 ? 11025 : v % 3 == 1 ? 22050 : 44100;
        waves.push_back(makeWave(testing::sineWave(100.0 + 37 * v, static_cast<size_t>(rate), rate, 0.05), 1, rate, 2));
    }
    std::vector<float> out(BLOCK_FRAMES * MIXER_OUTPUT_CHANNELS);
    constexpr size_t blocksPerSecond = OUTPUT_RATE / BLOCK_FRAMES;
    for (auto _ : state) {
        for (size_t b = 0; b < blocksPerSecond; ++b) {
            std::fill(out.begin(), out.end(), 0.0f);
            for (int v = 0; v < MOST_VOICES; ++v) {
                const double step = static_cast<double>(waves[v].format.sampleRate) / OUTPUT_RATE;
                bench::addCubic(waves[v], positions[v], step, 1.0f, out.data(), BLOCK_FRAMES);
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
}
BENCHMARK(CubicReferenceThirteenVoicesForOneSecond)->Unit(benchmark::kMillisecond);

// A 1 MB wave file (16-bit stereo, 44.1 kHz, about 6 s) from the disk cache.
void LoadOneMegabyteWaveFile(benchmark::State& state) {
    testing::TempFolder folder;
    const std::string path = folder.path() + "/panzer.wav";
    constexpr size_t frames = 1024 * 1024 / 4;
    std::vector<float> samples(frames * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>(0.3 * std::sin(0.001 * i));
    testing::writeWaveFile(path, samples, 2, 44100);
    for (auto _ : state) benchmark::DoNotOptimize(loadWaveFile(path));
}
BENCHMARK(LoadOneMegabyteWaveFile)->Unit(benchmark::kMillisecond);

// The same wave's bytes decoded in memory by each sample decoder: 0
// libsndfile (Linux), 1 our own (Windows).
void DecodeOneMegabyteWave(benchmark::State& state) {
    testing::TempFolder folder;
    constexpr size_t frames = 1024 * 1024 / 4;
    std::vector<float> samples(frames * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>(0.3 * std::sin(0.001 * i));
    testing::writeWaveFile(folder.path() + "/panzer.wav", samples, 2, 44100);
    const std::string bytes = folder.read("panzer.wav");
    const SampleDecoder decoder = state.range(0) == 0 ? decodeSamplesWithSndfile : decodeSamples;
    for (auto _ : state) benchmark::DoNotOptimize(decodeWaveWith(decoder, bytes.data(), bytes.size(), "panzer.wav"));
}
BENCHMARK(DecodeOneMegabyteWave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One ordinary frame's decisions on real mixer buffers, driving with a loop
// jump (the most device calls a frame can cause) while the mixer is idle.
void SoundauswertenPerFrame(benchmark::State& state) {
    auto mixer = Mixer::create(OUTPUT_RATE);
    auto wave = std::make_shared<WaveData>(makeWave(std::vector<float>(11025, 0.1f), 1, 11025, 2));
    ProgramData data;
    controller& c = data.controllers[0];
    c.enginesound.buffer = mixer->createBuffer(wave);
    c.shotsound.buffer = mixer->createBuffer(wave);
    c.turretsound.buffer = mixer->createBuffer(wave);
    c.enginesound.basefrequency = 11025;
    c.positions = {{{0, 100}, {100, 2000}, {2000, 4000}, {4000, 6000}, {6000, 8000}, {8000, 10000}}};
    c.speed1 = 9;
    std::array<int16_t, 18> bits{};
    for (auto _ : state) {
        c.shotrequest = 1;
        c.turretstate = 1;
        c.enginesound.buffer->SetCurrentPosition(7000);  // past the driving loop's end
        soundauswerten(data, bits, 0);
    }
}
BENCHMARK(SoundauswertenPerFrame);

}  // namespace
}  // namespace rumblet

BENCHMARK_MAIN();
