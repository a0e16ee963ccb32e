// What one frame costs the receive path apart from the line itself: the
// virtual line answers each DCD query from its script, so the figures are the
// capture's and the decoding's own work per poll and per frame.
#include <benchmark/benchmark.h>

#include "app/irbit.h"
#include "app/mainform.h"
#include "virtual_port.h"

namespace rumblet {
namespace {

using testing::VirtualPort;

class QuietWindow : public WindowServices {
public:
    void yield() override {}
    void messageBox(const std::string&) override {}
    void showMainWindow() override {}
    void showSoundEditorModal() override {}
    void endProgram() override {}
};

class SilentSound : public SoundActions {
public:
    void soundinit() override {}
    std::vector<std::string> initladen(int16_t&) override { return {}; }
    void initsave(int16_t) override {}
    std::vector<std::string> soundladen() override { return {}; }
    std::vector<std::string> posladen() override { return {}; }
    void possave() override {}
    void releaseSound() override {}
    void soundauswerten(std::array<int16_t, 18>&, int16_t) override {}
    void enginestart(int16_t) override {}
    void enginestop(int16_t) override {}
    void soundstop() override {}
    void atmoplay() override {}
    void atmostop() override {}
};

const irframe::PulseTrain& driveFrame() {
    static const irframe::PulseTrain train =
        irframe::pulseTrain(irframe::ordinaryFrame(2, {-7, 11}), 0);
    return train;
}

// One capture of a complete frame that starts 1 ms into the capture. The
// argument is the line time one DCD query costs, in microseconds: 1 gives the
// finest line (most polls per frame); 50 leaves so few polls that the rest
// of the step shows.
void BM_CaptureFrame(benchmark::State& state) {
    QuietWindow window;
    VirtualPort line;
    line.pollCostUs = static_cast<int32_t>(state.range(0));
    std::array<int16_t, 18> bits{};
    int16_t running = 1;
    for (auto _ : state) {
        line.sendAt(line.now + 1000, driveFrame());
        benchmark::DoNotOptimize(irbit(line, window, bits, running));
    }
    state.counters["polls_per_frame"] = benchmark::Counter(
        static_cast<double>(line.dcdCalls) / static_cast<double>(state.iterations()));
    state.counters["time_per_poll"] = benchmark::Counter(
        static_cast<double>(line.dcdCalls), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CaptureFrame)->Arg(1)->Arg(50);

// One receive step per frame: capture, checks, decoding, record and display.
void BM_ReceiveStep(benchmark::State& state) {
    QuietWindow window;
    SilentSound sounds;
    ProgramData data;
    VirtualPort line;
    line.pollCostUs = static_cast<int32_t>(state.range(0));
    MainForm form(data, line, sounds, window);
    form.running = 1;
    form.diagnose = 1;
    for (auto _ : state) {
        line.sendAt(line.now + 1000, driveFrame());
        form.IR();
        benchmark::DoNotOptimize(data.controllers[2].speed2);
    }
}
BENCHMARK(BM_ReceiveStep)->Arg(1)->Arg(50);

}  // namespace
}  // namespace rumblet

BENCHMARK_MAIN();
