// The capture loop polls DCD and TIMEREADUS back to back and must tell a
// 750 µs gap from a 751 µs one, so each poll has to cost well under 1 µs.
#include <pty.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "port.h"
#include "receiver_port.h"
#include "serial.h"

namespace {

void TimeReadUs(benchmark::State& state) {
    TIMEINITUS();
    for (auto _ : state) benchmark::DoNotOptimize(TIMEREADUS());
}
BENCHMARK(TimeReadUs);

void TimeInitUs(benchmark::State& state) {
    for (auto _ : state) TIMEINITUS();
}
BENCHMARK(TimeInitUs);

// A port whose modem status is a constant: the line reader's own cost.
class ConstantLinesDevice final : public port::ReceiverPort {
public:
    bool escape(port::LineFunction) override { return true; }
    bool modemStatus(uint32_t& status) override {
        status = static_cast<uint32_t>(port::ModemLine::carrier);
        return true;
    }
    bool close() override { return true; }
};

class ConstantLinesSystem final : public port::SerialSystem {
public:
    std::unique_ptr<port::SerialDevice> open(const std::string&) override {
        return std::make_unique<ConstantLinesDevice>();
    }
};

void DcdOnFakePort(benchmark::State& state) {
    ConstantLinesSystem system;
    port::Timing timing(port::systemTiming());
    port::SerialPort serial(system, timing);
    serial.open("COM1:");
    for (auto _ : state) benchmark::DoNotOptimize(serial.lineIsSet(port::ModemLine::carrier));
}
BENCHMARK(DcdOnFakePort);

// DCD through the export on a pseudo-terminal: one real ioctl per call (a
// pseudo-terminal refuses the status read, which costs the same round trip).
void DcdOnPty(benchmark::State& state) {
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    setenv("PORT_COM7", ttyname(slave), 1);
    if (OPENCOM("COM7:") != 7) state.SkipWithError("OPENCOM of the pseudo-terminal failed");
    for (auto _ : state) benchmark::DoNotOptimize(DCD());
    CLOSECOM();
    close(slave);
    close(master);
}
BENCHMARK(DcdOnPty);

// Microseconds DELAYUS(us) runs past its end, as the next TIMEREADUS sees
// it. The median shows the loop itself; the maximum shows the scheduler
// taking the processor away, which only real-time priority prevents.
void DelayUsOvershoot(benchmark::State& state) {
    const auto us = static_cast<int32_t>(state.range(0));
    std::vector<int32_t> over;
    for (auto _ : state) {
        DELAYUS(us);
        over.push_back(TIMEREADUS() - us);
    }
    std::sort(over.begin(), over.end());
    state.counters["min_us"] = over.front();
    state.counters["median_us"] = over[over.size() / 2];
    state.counters["max_us"] = over.back();
}
BENCHMARK(DelayUsOvershoot)->Arg(100)->Arg(1000);

}  // namespace
