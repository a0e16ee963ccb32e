// Capture quality on the virtual receiver in real time: 1000 frames sent to
// COM1 mapped to the virtual receiver at the fastest rate remotes reach
// (one every 40 ms: four remotes taking turns), received by rumblet's own
// receive step through libport.so's exports, with the machine otherwise idle
// and with the other core kept busy. Counters:
//   decoded_share      frames decoded with exactly the values sent
//   garbled            frames decoded with values never sent
//   latency_*_us       from the end of a frame's last pulse on the line to
//                      the sound decision for it (soundauswerten)
//   realtime_priority  1 when the capture got the real-time class it asks for
#include <benchmark/benchmark.h>
#include <sched.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "app/bound_port.h"
#include "irframe/irframe.h"
#include "app/mainform.h"
#include "fake_window.h"
#include "sound_recorder.h"
#include "virtual_port.h"
#include "posix/virtual_receiver_client.h"
#include "posix/virtual_receiver_protocol.h"

namespace {

namespace irframe = rumblet::irframe;
using port::virtual_receiver::FrameSender;
using port::virtual_receiver::monotonicNowNs;
using port::virtual_receiver::stretchesOf;

constexpr int FRAMES = 1000;
constexpr int64_t FRAME_INTERVAL_NS = 40'000'000;
constexpr int64_t SEND_AHEAD_NS = 5'000'000;

// Frame k carries a combination of controller and speeds of its own, so a
// decoded record tells which frame it was.
struct Sent {
    int16_t n, speed1, speed2;
};
Sent frameValues(int k) { return {int16_t(k % 4), int16_t((k / 4) % 31 - 15), int16_t((k / 4) / 31 - 15)}; }
int frameIndex(int16_t n, int16_t speed1, int16_t speed2) {
    const int m = (speed2 + 15) * 31 + (speed1 + 15);
    const int k = m * 4 + n;
    return k < FRAMES && frameValues(k).speed1 == speed1 ? k : -1;
}
// Sent after the measured frames until the capture stops, so that it never
// waits for a header that does not come.
constexpr Sent FILLER{3, 0, 15};

// When each sound decision is made and for which frame (-1: values never
// sent).
struct Decision {
    int64_t atNs;
    int frame;
};

int64_t percentile(std::vector<int64_t> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

bool realtimeAvailable() {
    const sched_param param{sched_get_priority_min(SCHED_FIFO)};
    if (sched_setscheduler(0, SCHED_FIFO, &param) != 0) return false;
    const sched_param normal{0};
    sched_setscheduler(0, SCHED_OTHER, &normal);
    return true;
}

void BM_CaptureOnVirtualReceiver(benchmark::State& state) {
    const bool loaded = state.range(0) != 0;
    const std::string socket =
        (std::filesystem::temp_directory_path() / ("bench-virtual-" + std::to_string(getpid()) + ".sock")).string();
    setenv("PORT_COM1", ("virtual:" + socket).c_str(), 1);

    for (auto _ : state) {
        rumblet::ProgramData data;
        rumblet::BoundPortLibrary port(PORT_LIBRARY);
        rumblet::testing::VirtualPort unusedClock;  // the window's yield returns at once
        rumblet::testing::FakeWindow window(unusedClock);
        rumblet::testing::EventLog log;
        rumblet::testing::SoundRecorder sounds(log);
        std::vector<Decision> decisions;
        bool fillerSeen = false;
        sounds.onSoundauswerten = [&](std::array<int16_t, 18>&, int16_t n) {
            const int64_t now = monotonicNowNs();
            const auto& r = data.controllers[size_t(n)];
            if (n == FILLER.n && r.speed1 == FILLER.speed1 && r.speed2 == FILLER.speed2) fillerSeen = true;
            else decisions.push_back({now, frameIndex(n, r.speed1, r.speed2)});
            log.clear();
        };
        rumblet::MainForm form(data, port, sounds, window);
        form.com1();
        form.running = 1;

        std::atomic<bool> stop = false;
        std::thread busy;
        if (loaded) busy = std::thread([&] {
            while (!stop) benchmark::DoNotOptimize(stop.load(std::memory_order_relaxed));
        });

        std::vector<int64_t> frameEnd(FRAMES);
        std::thread sender([&] {
            FrameSender line(socket);
            int64_t at = monotonicNowNs() + 100'000'000;
            for (int k = 0; !stop; ++k, at += FRAME_INTERVAL_NS) {
                const Sent s = k < FRAMES ? frameValues(k) : FILLER;
                const auto frame = irframe::ordinaryFrame(s.n, {s.speed1, s.speed2, false, false});
                while (monotonicNowNs() < at - SEND_AHEAD_NS && !stop)
                    std::this_thread::sleep_for(std::chrono::microseconds(500));
                line.send(stretchesOf(irframe::pulseTrain(frame, 0)), at);
                if (k < FRAMES) frameEnd[size_t(k)] = at + irframe::durationUs(irframe::pulseTrain(frame, 0)) * 1000;
            }
        });

        while (!fillerSeen) form.IR();
        stop = true;
        sender.join();
        if (busy.joinable()) busy.join();
        form.running = 0;
        port.CLOSECOM();

        std::set<int> decoded;
        std::vector<int64_t> latencies;
        int garbled = 0;
        for (const auto& d : decisions) {
            if (d.frame < 0) {
                ++garbled;
                continue;
            }
            if (decoded.insert(d.frame).second) latencies.push_back(d.atNs - frameEnd[size_t(d.frame)]);
        }
        state.counters["decoded_share"] = double(decoded.size()) / FRAMES;
        state.counters["garbled"] = garbled;
        state.counters["latency_median_us"] = double(percentile(latencies, 0.5)) / 1000.0;
        state.counters["latency_p99_us"] = double(percentile(latencies, 0.99)) / 1000.0;
        state.counters["latency_max_us"] = double(percentile(latencies, 1.0)) / 1000.0;
    }
    state.counters["realtime_priority"] = realtimeAvailable() ? 1 : 0;
    unsetenv("PORT_COM1");
}
BENCHMARK(BM_CaptureOnVirtualReceiver)
    ->ArgName("other_core_loaded")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
