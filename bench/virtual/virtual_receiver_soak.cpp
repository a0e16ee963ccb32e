// Memory over a long drive on the virtual receiver: four tanks taking turns
// (a frame every 40 ms, each tank every 160 ms, speeds changing all the
// time) received by rumblet's own receive step over the port's timed edges,
// so that DCD is never polled. The process's resident size is sampled every
// 10 s; the figure is its slope (least squares over all samples after the
// first minute) in MB per minute. soak.sh runs it as an ordinary user.
//
//   virtual_receiver_soak [--minutes N] [--library PATH]
//
// --library picks the port library to load (default: the one of this
// build), so that two builds can be measured side by side in one run.
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/bound_port.h"
#include "app/mainform.h"
#include "fake_window.h"
#include "irframe/irframe.h"
#include "posix/virtual_receiver_client.h"
#include "sound_recorder.h"
#include "virtual_port.h"

namespace {

namespace irframe = rumblet::irframe;
using port::virtual_receiver::FrameSender;
using port::virtual_receiver::monotonicNowNs;

constexpr int64_t NS_PER_S = 1'000'000'000;
constexpr int64_t TURN_NS = 40'000'000;
constexpr int64_t SAMPLE_NS = 10 * NS_PER_S;

double residentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Least-squares slope of y over x.
double slope(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = double(x.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double d = n * sxx - sx * sx;
    return d == 0 ? 0 : (n * sxy - sx * sy) / d;
}

}  // namespace

int main(int argc, char** argv) {
    double minutes = 30;
    std::string library = PORT_LIBRARY;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--minutes") == 0) minutes = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--library") == 0) library = argv[i + 1];
    }
    const std::string socket =
        (std::filesystem::temp_directory_path() / ("soak-virtual-" + std::to_string(getpid()) + ".sock")).string();
    setenv("PORT_COM1", ("virtual:" + socket).c_str(), 1);

    rumblet::ProgramData data;
    rumblet::BoundPortLibrary port(library);
    rumblet::testing::VirtualPort unusedClock;
    rumblet::testing::FakeWindow window(unusedClock);
    rumblet::testing::EventLog log;
    rumblet::testing::SoundRecorder sounds(log);
    int64_t decisions = 0;
    sounds.onSoundauswerten = [&](std::array<int16_t, 18>&, int16_t) {
        ++decisions;
        log.clear();
    };
    rumblet::MainForm form(data, port, sounds, window);
    form.com1();
    if (form.comport != 1 || port.EDGES() == 0) {
        std::fprintf(stderr, "soak: COM1 on the virtual receiver did not open with edges\n");
        return 1;
    }
    form.running = 1;

    std::atomic<bool> stop = false;
    int64_t sent = 0;
    std::thread sender([&] {
        FrameSender line(socket);
        int64_t at = monotonicNowNs() + 100'000'000;
        for (int64_t k = 0; !stop; ++k, at += TURN_NS) {
            const int16_t n = int16_t(k % 4);
            const int16_t speed1 = int16_t((k / 4 + n * 7) % 31 - 15);
            const int16_t speed2 = int16_t((k / 12 + n * 3) % 31 - 15);
            const auto frame = irframe::ordinaryFrame(n, {speed1, speed2, k % 50 == 0, false});
            while (monotonicNowNs() < at - 5'000'000 && !stop) std::this_thread::sleep_for(std::chrono::microseconds(500));
            if (line.send(port::virtual_receiver::stretchesOf(irframe::pulseTrain(frame, 0)), at) ==
                FrameSender::Result::sent)
                ++sent;
        }
    });

    const int64_t start = monotonicNowNs();
    const int64_t end = start + int64_t(minutes * 60 * NS_PER_S);
    int64_t nextSample = start;
    std::vector<double> at, mb;
    std::printf("minute  rss_mb  decisions\n");
    while (form.running != 0 && monotonicNowNs() < end) {
        form.IR();
        const int64_t now = monotonicNowNs();
        if (now >= nextSample) {
            const double minute = double(now - start) / (60.0 * NS_PER_S);
            const double rss = residentMb();
            std::printf("%6.2f  %6.2f  %lld\n", minute, rss, static_cast<long long>(decisions));
            std::fflush(stdout);
            if (minute >= 1.0) {
                at.push_back(minute);
                mb.push_back(rss);
            }
            nextSample += SAMPLE_NS;
        }
    }
    stop = true;
    sender.join();
    const bool ended = form.running == 0;
    form.running = 0;
    port.CLOSECOM();
    std::printf("library %s\nframes sent %lld, decided %lld%s\nslope %.3f MB per minute (%zu samples)\n",
                library.c_str(), static_cast<long long>(sent), static_cast<long long>(decisions),
                ended ? " (the receive loop ended early)" : "", slope(at, mb), at.size());
    return ended ? 1 : 0;
}
