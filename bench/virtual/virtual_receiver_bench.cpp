// Capture quality on the virtual receiver in real time: 1000 frames sent to
// COM1 mapped to the virtual receiver at the fastest rate remotes reach
// (one every 40 ms: four remotes taking turns), received by rumblet's own
// receive step through libport.so's exports, polling DCD (capture 0, as with
// a library that records no edges) and over the line replayed from the
// port's timed edges (capture 1), with the machine otherwise idle and with
// both cores kept busy by two spinning processes. run.sh runs it as root and
// as an ordinary user without real-time rights. Counters:
//   decoded_share      frames decoded with exactly the values sent
//   garbled            frames decoded with values never sent
//   latency_*_us       from the end of a frame's last pulse on the line to
//                      the sound decision for it (soundauswerten)
//   cpu_share          rumblet's processor time while receiving (its own
//                      threads and the library's, not the sender's), as a
//                      share of one core
//   realtime_priority  1 when the capture got the real-time class it asks for
#include <benchmark/benchmark.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "app/bound_port.h"
#include "app/forwarding_port.h"
#include "irframe/irframe.h"
#include "app/mainform.h"
#include "fake_window.h"
#include "sound_recorder.h"
#include "virtual_port.h"
#include "posix/virtual_receiver_client.h"
#include "virtual_receiver_protocol.h"

namespace {

namespace irframe = rumblet::irframe;
using port::virtual_receiver::FrameSender;
using port::virtual_receiver::monotonicNowNs;
using port::virtual_receiver::stretchesOf;

const int FRAMES = getenv("BENCH_FRAMES") ? atoi(getenv("BENCH_FRAMES")) : 1000;
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

// The port as a library without the edge functions has it: DCD is polled.
using PolledPort = rumblet::ForwardingPort;

// Processes that keep `count` cores busy until they are ended.
std::vector<pid_t> busyProcesses(int count) {
    std::vector<pid_t> pids;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;) benchmark::ClobberMemory();
        }
        if (pid > 0) pids.push_back(pid);
    }
    return pids;
}

int64_t processCpuNs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (int64_t(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1'000'000'000 +
           (int64_t(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
}

int64_t threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool realtimeAvailable() {
    const sched_param param{sched_get_priority_min(SCHED_FIFO)};
    if (sched_setscheduler(0, SCHED_FIFO, &param) != 0) return false;
    const sched_param normal{0};
    sched_setscheduler(0, SCHED_OTHER, &normal);
    return true;
}

void BM_CaptureOnVirtualReceiver(benchmark::State& state) {
    const bool overEdges = state.range(0) != 0;
    const int busyCores = int(state.range(1));
    const std::string socket =
        (std::filesystem::temp_directory_path() / ("bench-virtual-" + std::to_string(getpid()) + ".sock")).string();
    setenv("PORT_COM1", ("virtual:" + socket).c_str(), 1);

    for (auto _ : state) {
        rumblet::ProgramData data;
        rumblet::BoundPortLibrary library(PORT_LIBRARY);
        PolledPort polled(library);
        rumblet::PortFunctions& port = overEdges ? static_cast<rumblet::PortFunctions&>(library) : polled;
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
        const std::vector<pid_t> busy = busyProcesses(busyCores);
        std::atomic<int64_t> senderCpuNs = 0;

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
            senderCpuNs = threadCpuNs();
        });

        const int64_t cpuStart = processCpuNs();
        const int64_t wallStart = monotonicNowNs();
        while (!fillerSeen) form.IR();
        stop = true;
        sender.join();
        const double cpuShare = double(processCpuNs() - cpuStart - senderCpuNs) / double(monotonicNowNs() - wallStart);
        for (const pid_t pid : busy) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
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
        state.counters["cpu_share"] = cpuShare;
    }
    state.counters["realtime_priority"] = realtimeAvailable() ? 1 : 0;
    unsetenv("PORT_COM1");
}
BENCHMARK(BM_CaptureOnVirtualReceiver)
    ->ArgNames({"edges", "busy_cores"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
