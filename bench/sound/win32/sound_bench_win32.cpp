// The Windows program's sound costs, measured as the Linux benchmarks
// measure them:
//  - mixing: the CPU time of one second of output under the program's
//    heaviest load (bench/sound/mixing_load.h), blocks of 256 frames as in
//    bench_sound on Linux;
//  - file, wasapi: frame end to first changed output sample
//    (bench/sound/latency_probe.h). The file output (SDL_AUDIODRIVER=disk)
//    writes a block the moment it is mixed; like SDL's dummy driver on
//    Linux it reports no device queue, so the same two blocks are added.
//    The system's shared-mode output knows the frames queued in front of a
//    block and the stream's latency, which are counted.
// Usage: sound_bench_win32 [mixing|file|wasapi]... (all when none). Run under
// Wine with tests/port/wine_run.sh (see docs/sound.md).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/sound/latency_probe.h"
#include "bench/sound/mixing_load.h"
#include "sound/mixer_device.h"
#include "sound/sound_device.h"
#include "sound/sound_output.h"
#include "sound/win32/sound_output_win32.h"
#include "sound/win32/wasapi_output.h"

namespace rumblet::bench {
namespace {

constexpr int TRIALS = 300;

// The system's output tells its queue once it is made; before that (its
// first fill) nothing is measured.
using DeviceSlot = std::atomic<const WasapiOutput*>;

RenderStart probing(LatencyProbe& probe, const DeviceSlot* queueOf = nullptr) {
    return [&probe, queueOf](int32_t rate) -> RenderFunction {
        probe.mixer = Mixer::create(rate);
        return [&probe, queueOf](float* out, size_t frames) {
            const WasapiOutput* device = queueOf ? queueOf->load() : nullptr;
            probe.render(out, frames, device ? device->queuedFrames() + device->streamLatencyFrames() : 0);
        };
    };
}

void print(const char* what, const LatencyFigures& figures, double queueMs) {
    std::printf("   %s: to the mixer median %.2f p99 %.2f max %.2f ms; + queue %.2f ms = median %.2f p99 %.2f ms\n", what,
                figures.quantile(0.5), figures.quantile(0.99), figures.max(), queueMs,
                figures.quantile(0.5) + queueMs, figures.quantile(0.99) + queueMs);
}

// The calling thread's CPU time in seconds.
double threadSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

void mixing() {
    constexpr int SECONDS = 5;
    auto mixer = Mixer::create(DEFAULT_OUTPUT_RATE);
    ThirteenVoices load(*mixer);
    load.mixOneSecond(*mixer, 256);  // the resampler's table and the caches warm
    const double before = threadSeconds();
    for (int i = 0; i < SECONDS; ++i) load.mixOneSecond(*mixer, 256);
    const double perSecond = (threadSeconds() - before) / SECONDS;
    std::printf("   mixing 1 s of 48 kHz output, %d voices: %.1f ms CPU = %.2f %% of one core\n", MOST_VOICES,
                perSecond * 1000, perSecond * 100);
}

void fileOutput() {
    LatencyProbe probe;
    const std::filesystem::path raw = std::filesystem::temp_directory_path() / "rumblet-latency.raw";
    {
        const auto output = openWindowsOutput("disk", raw.string(), 0, probing(probe));
        const double queueMs = 2.0 * OUTPUT_BLOCK_FRAMES * 1000.0 / probe.mixer->outputRate();
        print("file output, block 192 frames", measureLatency(probe, TRIALS), queueMs);
    }
    std::filesystem::remove(raw);
}

void systemOutput() {
    LatencyProbe probe;
    DeviceSlot device{nullptr};
    try {
        WasapiOutput output(0, probing(probe, &device));
        device = &output;
        const LatencyFigures figures = measureLatency(probe, TRIALS);
        std::printf("   (rate %d Hz, engine period %u frames, stream latency %u frames)\n", output.rate(),
                    output.periodFrames(), output.streamLatencyFrames());
        print("system output, queue counted in", figures, 0.0);
        device = nullptr;
    } catch (const SoundError& e) {
        std::printf("   system output: %s\n", e.what());
    }
}

}  // namespace
}  // namespace rumblet::bench

int main(int argc, char** argv) {
    using namespace rumblet::bench;
    const PartsWanted wanted(argc, argv);
    if (wanted("mixing")) mixing();
    std::printf("== Frame end to first changed output sample (%d trials each)\n", TRIALS);
    if (wanted("file")) fileOutput();
    if (wanted("wasapi")) systemOutput();
    return 0;
}
