// portinfo: what the IR receiver can expect of this machine. Prints the
// stopwatch figures that decide whether a 750 µs gap can be told from a
// 751 µs one, and where COM1 and COM2 lead. It opens no serial port.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "ir_devices.h"
#include "port.h"
#include "serial_names.h"

namespace {

// Smallest nonzero step between two successive TIMEREADUS results.
int32_t microsecondStep() {
    TIMEINITUS();
    int32_t smallest = INT32_MAX;
    int32_t last = TIMEREADUS();
    for (int i = 0; i < 2000000 && smallest > 1; ++i) {
        const int32_t now = TIMEREADUS();
        if (now != last) smallest = std::min(smallest, now - last);
        last = now;
    }
    return smallest;
}

// Mean cost of one TIMEREADUS call in nanoseconds.
double timeReadCost() {
    constexpr int reads = 1000000;
    TIMEINITUS();
    const auto start = std::chrono::steady_clock::now();
    volatile int32_t sink = 0;
    for (int i = 0; i < reads; ++i) sink = TIMEREADUS();
    (void)sink;
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / reads;
}

// How far past its end DELAYUS(us) returns: min, median, max over runs.
std::vector<int32_t> delayOvershoot(int32_t us, int runs) {
    std::vector<int32_t> over;
    for (int i = 0; i < runs; ++i) {
        DELAYUS(us);
        over.push_back(TIMEREADUS() - us);
    }
    std::sort(over.begin(), over.end());
    return over;
}

std::string describe(const port::SerialTarget& target) {
    using Backend = port::SerialTarget::Backend;
    switch (target.backend) {
        case Backend::tty: {
            struct stat info {};
            const bool present = stat(target.path.c_str(), &info) == 0;
            return target.path + (present ? "" : " (no such device)");
        }
        case Backend::virtualReceiver: return "virtual IR receiver at " + target.path;
        case Backend::lirc: {
            struct stat info {};
            return target.path + (stat(target.path.c_str(), &info) == 0 ? "" : " (no such device)");
        }
        case Backend::none: return "nothing: " + target.problem;
    }
    return {};
}

}  // namespace

int main() {
    std::printf("port self-check (no serial port is opened)\n\nStopwatches\n");
    std::printf("  TIMEREADUS smallest step:     %d us\n", microsecondStep());
    std::printf("  TIMEREADUS cost:              %.1f ns per call\n", timeReadCost());
    const std::vector<int32_t> over = delayOvershoot(1000, 50);
    std::printf("  DELAYUS(1000) overshoot:      min %d, median %d, max %d us (50 runs)\n", over.front(),
                over[over.size() / 2], over.back());
    TIMEINIT();
    DELAY(20);
    std::printf("  TIMEINIT, DELAY(20), TIMEREAD: %d ms\n", TIMEREAD());
    if (const int32_t fault = PORTERROR(); fault != PORT_ERROR_NONE)
        std::printf("  a timing call stopped with error %d\n", fault);

    std::printf("\nSerial ports\n");
    for (const char* name : {"COM1", "COM2"}) {
        const port::SerialTarget target = port::serialTargetFor(name);
        std::printf("  %s -> %s  [%s]\n", name, describe(target).c_str(), target.origin.c_str());
        std::printf("         %s\n", portinfo::edgeSourceNote(int(target.backend)).c_str());
    }
    const std::string config = port::serialConfigPath();
    struct stat info {};
    std::printf("  mapping: PORT_COMn variables, then %s%s\n", config.empty() ? "(no configuration file: HOME unset)" : config.c_str(),
                !config.empty() && stat(config.c_str(), &info) != 0 ? " (absent)" : "");

    std::printf("\nIR receivers (map one as COMn = lirc:/dev/lircN)\n");
    const auto receivers = portinfo::findIrReceivers();
    if (receivers.empty()) std::printf("  none found\n");
    for (const auto& r : receivers)
        std::printf("  %s  %s%s\n", r.device.empty() ? "(no lirc device)" : r.device.c_str(), r.rc.c_str(),
                    r.driver.empty() ? "" : (" driver " + r.driver).c_str());
    return 0;
}
