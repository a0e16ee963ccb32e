// What the listener gets from the mixer, printed as tables:
//  - images and aliases of pitched sines, the mixer against the old cubic
//    reference, for the sound rates and pitches the engine uses;
//  - a pitched engine-like tone at the program's real output (SDL disk driver);
//  - the largest output step when a sounding buffer is released;
//  - frame end to first changed output sample through SDL (dummy driver),
//    for the device block sizes worth considering.
// Usage: sound_quality [images|output|release|latency]... (all when none)
#include <SDL.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/sound/cubic_reference.h"
#include "bench/sound/latency_probe.h"
#include "bench/sound/tone_analysis.h"
#include "sound/mixer.h"
#include "sound/sound_output.h"
#include "sound/testing/test_waves.h"

namespace rumblet::bench {
namespace {

constexpr int OUTPUT_RATE = 48000;
constexpr size_t WARM_UP_FRAMES = OUTPUT_RATE / 5;  // past the fade-in
constexpr size_t MEASURED_FRAMES = 65536;
constexpr double TONE_AMPLITUDE = 0.5;
constexpr double COUNTED_BAND = 0.45;  // images and aliases up to 0.45 of the output rate count
constexpr int LATENCY_TRIALS = 300;

struct Tone {
    int sourceRate;
    double pitch;           // playback rate / source rate
    double relativeHz;      // tone in the source, as a fraction of its rate
    bool sixteenBit = false;
};

std::vector<float> sourceFor(const Tone& t, double step) {
    const auto frames = static_cast<size_t>((WARM_UP_FRAMES + MEASURED_FRAMES) * step) + 4096;
    auto s = testing::sineWave(t.relativeHz * t.sourceRate, frames, t.sourceRate, TONE_AMPLITUDE);
    if (t.sixteenBit) {
        for (float& x : s) x = std::round(x * 32767.0f) / 32767.0f;
    }
    return s;
}

int32_t playbackRate(const Tone& t) { return static_cast<int32_t>(std::lround(t.sourceRate * t.pitch)); }

std::vector<float> measuredPart(const std::vector<float>& stereo) {
    auto left = testing::leftChannel(stereo);
    return {left.begin() + static_cast<long>(WARM_UP_FRAMES), left.end()};
}

// The tone through the real mixer, played once from the start.
std::vector<float> throughMixer(const Tone& t) {
    const int32_t rate = playbackRate(t);
    const double step = static_cast<double>(rate) / OUTPUT_RATE;
    auto mixer = Mixer::create(OUTPUT_RATE);
    auto buffer = mixer->createBuffer(std::make_shared<WaveData>(makeWave(sourceFor(t, step), 1, t.sourceRate, 2)));
    buffer->SetFrequency(rate);
    buffer->Play(PLAY_ONCE);
    std::vector<float> out((WARM_UP_FRAMES + MEASURED_FRAMES) * MIXER_OUTPUT_CHANNELS);
    mixer->render(out.data(), WARM_UP_FRAMES + MEASURED_FRAMES);
    return measuredPart(out);
}

std::vector<float> throughCubic(const Tone& t) {
    const double step = static_cast<double>(playbackRate(t)) / OUTPUT_RATE;
    const WaveData wave = makeWave(sourceFor(t, step), 1, t.sourceRate, 2);
    std::vector<float> out((WARM_UP_FRAMES + MEASURED_FRAMES) * MIXER_OUTPUT_CHANNELS);
    double position = 0.0;
    addCubic(wave, position, step, 1.0f, out.data(), WARM_UP_FRAMES + MEASURED_FRAMES);
    return measuredPart(out);
}

double outputHz(const Tone& t) { return t.relativeHz * playbackRate(t); }

double otherComponentDb(const std::vector<float>& out, const Tone& t, double bandHz) {
    return strongestOtherComponentDb(out, OUTPUT_RATE, outputHz(t), TONE_AMPLITUDE, bandHz);
}

void images() {
    std::printf("\n== Images and aliases: strongest component besides the tone, up to %.0f Hz, dB\n",
                COUNTED_BAND * OUTPUT_RATE);
    std::printf("   (sine of amplitude 0.5 at 0.02, 0.1, 0.2, 0.3, 0.4, 0.45 of the source rate; worst of them)\n");
    std::printf("%8s %8s %12s %12s\n", "source", "pitch", "cubic", "band-limited");
    const int rates[] = {11025, 22050, 44100, 48000};
    const double pitches[] = {0.6, 2.0 / 3, 11.0 / 15, 0.8, 0.9, 1.0, 16.0 / 15, 1.1, 1.5, 2.0};
    const double tones[] = {0.02, 0.1, 0.2, 0.3, 0.4, 0.45};
    for (int rate : rates) {
        for (double pitch : pitches) {
            double cubicWorst = -400, newWorst = -400;
            for (double relative : tones) {
                const Tone t{rate, pitch, relative};
                const double band = COUNTED_BAND * OUTPUT_RATE;
                cubicWorst = std::max(cubicWorst, otherComponentDb(throughCubic(t), t, band));
                newWorst = std::max(newWorst, otherComponentDb(throughMixer(t), t, band));
            }
            std::printf("%8d %8.3f %12.1f %12.1f\n", rate, pitch, cubicWorst, newWorst);
        }
    }
}

// A pitched tone at the program's own output: a 16-bit 22050 Hz file of a
// 5 kHz sine played at 0.7 of its rate, through the SDL disk driver.
void realOutput() {
    const Tone t{22050, 0.7, 5000.0 / 22050, true};
    std::printf("\n== 5 kHz sine, 16-bit 22050 Hz file, played at 0.7 (3.5 kHz heard), whole band, dB\n");
    std::printf("   mixer offline: %.1f   cubic reference: %.1f\n", otherComponentDb(throughMixer(t), t, OUTPUT_RATE / 2.0),
                otherComponentDb(throughCubic(t), t, OUTPUT_RATE / 2.0));

    testing::TempFolder folder;
    const std::string wave = folder.path() + "/engine.wav";
    const std::string raw = folder.path() + "/out.raw";
    testing::writeWaveFile(wave, sourceFor(t, 1.0), 1, t.sourceRate, testing::SampleFormat::Pcm16);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    const size_t wanted = (WARM_UP_FRAMES + MEASURED_FRAMES) * MIXER_OUTPUT_CHANNELS * sizeof(float);
    {
        auto device = makeDefaultSoundSystem()->DirectSoundCreate();
        auto buffer = device->CreateSoundBufferFromFile(wave);
        buffer->SetFrequency(playbackRate(t));
        buffer->Play(PLAY_ONCE);
        std::error_code ignored;
        while (std::filesystem::file_size(raw, ignored) < wanted + 65536) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_AUDIODRIVER");
    std::ifstream in(raw, std::ios::binary);
    std::vector<float> stereo((WARM_UP_FRAMES + MEASURED_FRAMES) * MIXER_OUTPUT_CHANNELS);
    in.read(reinterpret_cast<char*>(stereo.data()), static_cast<std::streamsize>(wanted));
    // The disk driver starts writing before Play: find the tone's start.
    const auto left = testing::leftChannel(stereo);
    const auto start = static_cast<size_t>(
        std::find_if(left.begin(), left.end(), [](float x) { return x != 0.0f; }) - left.begin());
    std::vector<float> tail(stereo.begin() + static_cast<long>(2 * start), stereo.end());
    tail.resize(stereo.size(), 0.0f);
    const auto measured = measuredPart(tail);
    std::vector<float> played(measured.begin(), measured.begin() + static_cast<long>(MEASURED_FRAMES / 2));
    played.resize(MEASURED_FRAMES / 2);
    std::printf("   SDL disk driver (%zu frames): %.1f\n", played.size(),
                strongestOtherComponentDb(played, OUTPUT_RATE, outputHz(t), TONE_AMPLITUDE, OUTPUT_RATE / 2.0));
}

// A 0.5-amplitude 1 kHz sound released while it plays, and released right
// after a Stop: the largest step in the output against the sound's own.
void release() {
    constexpr size_t ms = OUTPUT_RATE / 1000;
    const auto material = testing::sineWave(1000, 200 * ms, OUTPUT_RATE, 0.5);
    std::printf("\n== Release of a sounding buffer: largest output step (the sound's own: %.3f)\n",
                testing::largestStep(material));
    for (bool stopFirst : {false, true}) {
        auto mixer = Mixer::create(OUTPUT_RATE);
        auto buffer = mixer->createBuffer(std::make_shared<WaveData>(makeWave(material, 1, OUTPUT_RATE, 2)));
        buffer->Play(DSBPLAY_LOOPING);
        std::vector<float> out((23 * ms + 7) * MIXER_OUTPUT_CHANNELS);
        mixer->render(out.data(), 23 * ms + 7);
        if (stopFirst) buffer->Stop();
        buffer.reset();
        std::vector<float> more(30 * ms * MIXER_OUTPUT_CHANNELS);
        mixer->render(more.data(), 30 * ms);
        out.insert(out.end(), more.begin(), more.end());
        const auto left = testing::leftChannel(out);
        const std::vector<float> around(left.end() - static_cast<long>(40 * ms), left.end());
        std::printf("   %-28s %.3f\n", stopFirst ? "Stop, then release:" : "released while playing:",
                    testing::largestStep(around));
    }
}

void renderAndProbe(void* userdata, Uint8* stream, int bytes) {
    const auto frames = static_cast<size_t>(bytes) / (sizeof(float) * MIXER_OUTPUT_CHANNELS);
    static_cast<LatencyProbe*>(userdata)->render(reinterpret_cast<float*>(stream), frames);
}

// The sound decision happens right at the frame's end (decoding and
// soundauswerten take microseconds). From there the change waits for the
// next block the mixer renders; that block is heard after the blocks
// already queued in the device. SDL reports no queue figure for a callback
// device, only the buffer it obtained; with SDL's two device periods on
// ALSA hardware a rendered block waits two buffers, which is counted here.
void latency(int blockFrames) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    LatencyProbe probe;
    probe.mixer = Mixer::create(OUTPUT_RATE);
    SDL_AudioSpec want{};
    want.freq = OUTPUT_RATE;
    want.format = AUDIO_F32SYS;
    want.channels = MIXER_OUTPUT_CHANNELS;
    want.samples = static_cast<Uint16>(blockFrames);
    want.callback = renderAndProbe;
    want.userdata = &probe;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        std::printf("   no audio device: %s\n", SDL_GetError());
        return;
    }
    SDL_PauseAudioDevice(device, 0);
    const double queueMs = 2.0 * have.samples * 1000.0 / have.freq;
    const LatencyFigures figures = measureLatency(probe, LATENCY_TRIALS);
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    unsetenv("SDL_AUDIODRIVER");
    std::printf("   block %4d frames (SDL obtained %d, %.2f ms): to the mixer median %.2f p99 %.2f max %.2f ms;"
                " + queue %.2f ms = median %.2f p99 %.2f ms\n",
                blockFrames, have.samples, have.samples * 1000.0 / have.freq, figures.quantile(0.5),
                figures.quantile(0.99), figures.max(), queueMs, figures.quantile(0.5) + queueMs,
                figures.quantile(0.99) + queueMs);
}

void latencies() {
    std::printf("\n== Frame end to first changed output sample (SDL dummy driver, %d trials each)\n", LATENCY_TRIALS);
    std::printf("   the program's block: %d frames\n", OUTPUT_BLOCK_FRAMES);
    for (int block : {512, 256, 192, 128}) latency(block);
}

}  // namespace
}  // namespace rumblet::bench

int main(int argc, char** argv) {
    using namespace rumblet::bench;
    const PartsWanted wanted(argc, argv);
    if (wanted("images")) images();
    if (wanted("output")) realOutput();
    if (wanted("release")) release();
    if (wanted("latency")) latencies();
    return 0;
}
