// Frame end to first changed output sample on Windows, measured as
// `sound_quality latency` measures it on Linux (bench/sound/latency_probe.h):
//  - file: the paced output behind SDL_AUDIODRIVER=disk and =dummy, whose
//    blocks are written the moment they are mixed; like SDL's dummy driver
//    on Linux it reports no device queue, so the same two blocks are added;
//  - wasapi: the system's shared-mode output, where the frames queued in
//    front of a block and the stream's latency are known and counted.
// Usage: output_latency_win32 [file|wasapi]... (both when none). Run under
// Wine with tests/port/wine_run.sh (see docs/sound.md).
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/sound/latency_probe.h"
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
    std::printf("== Frame end to first changed output sample (%d trials each)\n", TRIALS);
    if (wanted("file")) fileOutput();
    if (wanted("wasapi")) systemOutput();
    return 0;
}
