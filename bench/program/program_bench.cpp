// The whole program while it receives, measured from outside: the Linux
// rumblet, or a Windows build's rumblet.exe under Wine, started as the
// end-to-end drive starts it (tests/e2e/drive_session.h: a folder and a
// display of its own, COM1 on the virtual receiver, the disk output
// recording in real time), receives a frame every 40 ms (the fastest the
// remotes send: four taking turns) over the virtual receiver over UDP,
// both programs alike (the Windows program reaches no Unix socket).
// Controller 0 has only its shot (engine "leer", no background), and every
// 1.0 to 1.4 s one of its frames fires, so the recording is silent but for
// the shots.
//
//   cpu      the program's processor time while it receives, as a share of
//            one core; under Wine also with Wine's own processes (its
//            server, which carries the program's waits and messages, and
//            the desktop and services processes)
//   latency  from the end of a fire frame on the line to its shot's first
//            sample in the output: the moment the output wrote the block
//            holding that sample (seen with inotify; a write that also
//            holds later blocks is set back by their length), plus the two
//            blocks a device's queue holds, as the output's own latency is
//            counted (docs/sound.md). Over UDP a frame's line begins when
//            the receiver picks it up, so the way through the socket counts.
//
//   program_bench [--wine LOADER WINDOWS_BUILD PREFIX] [--shots N] [--silent] [--out DIR]
// --silent plays into the silent output instead of the file (the CPU
// without the file's writes; no latency then).
#include <sys/inotify.h>
#include <sys/stat.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "drive_session.h"
#include "irframe/irframe.h"
#include "posix/virtual_receiver_client.h"
#include "programdata/program_data.h"
#include "sound/sound_output.h"
#include "virtual_receiver_protocol.h"

namespace {

namespace fs = std::filesystem;
namespace irframe = rumblet::irframe;
using port::virtual_receiver::monotonicNowNs;

constexpr int64_t FRAME_INTERVAL_NS = 40'000'000;
constexpr int64_t WARM_UP_NS = 3'000'000'000;
constexpr double QUEUE_BLOCKS = 2.0;
const e2e::RawSoundFormat FORMAT = e2e::recordedFormat();
const int64_t BLOCK_BYTES = int64_t(rumblet::OUTPUT_BLOCK_FRAMES) * FORMAT.channels * int64_t(sizeof(float));
const double BLOCK_SECONDS = double(rumblet::OUTPUT_BLOCK_FRAMES) / FORMAT.rate;

double seconds(int64_t ns) { return double(ns) / 1e9; }

void sleepUntil(int64_t ns) {
    const timespec at{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

// Fields 3 on of /proc/<pid>/stat (state, parent, ..., utime 14, stime
// 15), after the name that may hold blanks; none once the process is gone.
std::vector<std::string> statFields(pid_t pid) {
    const std::string stat = e2e::readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    std::vector<std::string> fields;
    if (close == std::string::npos) return fields;
    std::istringstream in(stat.substr(close + 2));
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

// Processor time (user + system, seconds) of a process still running.
double processorSeconds(pid_t pid) {
    const auto fields = statFields(pid);
    if (fields.size() < 13) return 0.0;
    return (std::stod(fields[14 - 3]) + std::stod(fields[15 - 3])) / double(sysconf(_SC_CLK_TCK));
}

pid_t parentOf(pid_t pid) {
    const auto fields = statFields(pid);
    return fields.size() < 2 ? 0 : pid_t(std::stoi(fields[4 - 3]));
}

std::vector<pid_t> processes() {
    std::vector<pid_t> all;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (!name.empty() && std::all_of(name.begin(), name.end(), ::isdigit)) all.push_back(pid_t(std::stoi(name)));
    }
    return all;
}

// The program's own process: the one started (Linux), or the Windows
// program among its descendants (Wine runs it as a process of its own name).
pid_t programProcess(pid_t started, bool underWine) {
    if (!underWine) return started;
    for (pid_t p : processes()) {
        if (e2e::readFile("/proc/" + std::to_string(p) + "/comm").rfind("rumblet.exe", 0) != 0) continue;
        for (pid_t up = p; up > 1; up = parentOf(up))
            if (up == started) return p;
    }
    return 0;
}

// Every process of the Wine prefix (server, program, desktop, services).
std::vector<pid_t> wineProcesses(const std::string& prefix) {
    std::vector<pid_t> found;
    const std::string wanted = "WINEPREFIX=" + prefix;
    for (pid_t p : processes()) {
        const std::string env = e2e::readFile("/proc/" + std::to_string(p) + "/environ");
        for (size_t at = 0; at < env.size();) {
            const size_t end = env.find('\0', at);
            if (env.compare(at, end - at, wanted) == 0) {
                found.push_back(p);
                break;
            }
            if (end == std::string::npos) break;
            at = end + 1;
        }
    }
    return found;
}

double processorSeconds(const std::vector<pid_t>& pids) {
    double total = 0.0;
    for (pid_t p : pids) total += processorSeconds(p);
    return total;
}

// The recording's length each time the output writes, from inotify.
struct Write {
    int64_t ns;
    int64_t bytes;
};

class WriteWatch {
public:
    explicit WriteWatch(const fs::path& file) : thread_([this, file] { watch(file); }) {}
    ~WriteWatch() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::vector<Write> writes;

private:
    void watch(const fs::path& file) {
        const int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (fd < 0 || inotify_add_watch(fd, file.c_str(), IN_MODIFY) < 0) return;
        char events[4096];
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            while (read(fd, events, sizeof events) > 0) {
            }
            const int64_t now = monotonicNowNs();
            struct stat st {};
            if (stat(file.c_str(), &st) == 0) writes.push_back({now, int64_t(st.st_size)});
        }
        close(fd);
    }
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

struct Fire {
    int64_t frameEndNs;
};

struct Measured {
    double wallSeconds = 0.0;
    double programCpu = 0.0;  // seconds
    double wineCpu = 0.0;     // seconds, Wine's processes together, program included
    std::vector<Fire> fires;
    std::vector<Write> writes;
    int framesSent = 0;
    std::string problem;
};

// Sends a frame every 40 ms: controllers 1-3 standing, controller 0 standing
// or, every 1.0 to 1.4 s, firing.
void receive(const e2e::DriveContext& context, const std::string& receiver, int shots, bool underWine,
             const std::string& prefix, Measured& m) {
    port::virtual_receiver::FrameSender sender(receiver);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int64_t> fireGap(1'000'000'000, 1'400'000'000);
    const auto standing = [](int c) { return irframe::ordinaryFrame(c, {0, 0, false, false}); };
    const auto trainOf = [](const irframe::IrFrame& f) { return irframe::pulseTrain(f, 0); };

    int64_t next = monotonicNowNs();
    int64_t measureFrom = next + WARM_UP_NS;
    int64_t nextFire = measureFrom + fireGap(random);
    std::unique_ptr<WriteWatch> watch;
    pid_t program = 0;
    std::vector<pid_t> wine;
    double cpuAtStart = 0.0, wineAtStart = 0.0;
    int64_t startNs = 0;
    for (int k = 0; int(m.fires.size()) < shots; ++k, next += FRAME_INTERVAL_NS) {
        sleepUntil(next);
        if (!watch && next >= measureFrom) {
            watch = std::make_unique<WriteWatch>(context.dir / "sound.raw");
            program = programProcess(context.program, underWine);
            if (program == 0) {
                m.problem = "cannot find the program's process";
                return;
            }
            if (underWine) wine = wineProcesses(prefix);
            cpuAtStart = processorSeconds(program);
            wineAtStart = processorSeconds(wine);
            startNs = monotonicNowNs();
        }
        const int controller = k % 4;
        const bool fire = controller == 0 && watch && next >= nextFire;
        const irframe::IrFrame frame = fire ? irframe::ordinaryFrame(0, {0, 0, true, false}) : standing(controller);
        const auto train = trainOf(frame);
        const int64_t sentNs = monotonicNowNs();
        sender.send(port::virtual_receiver::stretchesOf(train), 0);
        if (watch) ++m.framesSent;
        if (fire) {
            m.fires.push_back({sentNs + irframe::durationUs(train) * 1000});
            nextFire = next + fireGap(random);
        }
    }
    m.wallSeconds = seconds(monotonicNowNs() - startNs);
    m.programCpu = processorSeconds(program) - cpuAtStart;
    m.wineCpu = processorSeconds(wine) - wineAtStart;
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the last shot's blocks
    watch->stop();
    m.writes = watch->writes;
}

// The byte offsets of the shots' first samples: a sample not 0 after at
// least 0.1 s of silence.
std::vector<int64_t> onsets(const fs::path& recording) {
    std::ifstream in(recording, std::ios::binary);
    std::vector<int64_t> found;
    const int64_t quiet = FORMAT.rate / 10;
    int64_t silent = 0, frame = 0;
    std::vector<float> sample(size_t(FORMAT.channels));
    const auto bytes = std::streamsize(sample.size() * sizeof(float));
    while (in.read(reinterpret_cast<char*>(sample.data()), bytes)) {
        const bool sound = std::any_of(sample.begin(), sample.end(), [](float v) { return v != 0.0f; });
        if (sound && silent >= quiet) found.push_back(frame * bytes);
        silent = sound ? 0 : silent + 1;
        ++frame;
    }
    return found;
}

// When the output wrote the block holding byte `at`, in CLOCK_MONOTONIC ns;
// a write that came with later blocks is set back by their length.
std::optional<int64_t> writtenAt(const std::vector<Write>& writes, int64_t at) {
    const auto w = std::find_if(writes.begin(), writes.end(), [at](const Write& x) { return x.bytes > at; });
    if (w == writes.end()) return std::nullopt;
    const int64_t laterBlocks = (w->bytes - 1) / BLOCK_BYTES - at / BLOCK_BYTES;
    return w->ns - int64_t(double(laterBlocks) * BLOCK_SECONDS * 1e9);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(std::ceil(p * double(v.size())) - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    std::string loader, windowsBuild, prefix, out;
    int shots = 150;
    e2e::DriveOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--wine" && i + 3 < argc) {
            loader = argv[++i], windowsBuild = argv[++i], prefix = fs::absolute(argv[++i]).string();
        } else if (arg == "--shots" && i + 1 < argc) {
            shots = std::stoi(argv[++i]);
        } else if (arg == "--silent") {
            options.silentOutput = true;
        } else if (arg == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else {
            std::fprintf(stderr, "usage: program_bench [--wine LOADER WINDOWS_BUILD PREFIX] [--shots N] [--silent] [--out DIR]\n");
            return 2;
        }
    }
    const bool underWine = !loader.empty();
    options.program = underWine ? e2e::wineProgram(loader, windowsBuild, prefix) : e2e::linuxProgram();
    options.program.overUdp = true;
    // Without --out the run's folder (its recording: 23 MB a minute) goes afterwards.
    options.dir = out.empty() ? fs::temp_directory_path() / ("rumblet-program-bench-" + std::to_string(getpid()))
                              : fs::path(out);
    options.controllers = 1;
    options.background = false;
    options.adjustSettings = [](const fs::path& folder) {
        // Controller 0's engine "leer": its first line.
        const fs::path settings = folder / "IR.ini";
        std::string text = e2e::readFile(settings);
        text.replace(0, text.find("\r\n"), rumblet::EMPTY_SOUND);
        std::ofstream(settings, std::ios::binary) << text;
    };
    Measured m;
    options.remote = [&](const e2e::DriveContext& context, const std::string& receiver) {
        receive(context, receiver, shots, underWine, prefix, m);
    };
    const e2e::DriveResult drive = e2e::runDrive(options);
    if (!drive.problem.empty() || !m.problem.empty()) {
        std::fprintf(stderr, "program_bench: %s%s (the run's folder: %s)\n", drive.problem.c_str(), m.problem.c_str(),
                     options.dir.c_str());
        return 1;
    }

    const std::vector<int64_t> shotsHeard = onsets(drive.recording);
    std::vector<double> latencies;
    size_t o = 0;
    int lost = 0;
    for (const Fire& fire : m.fires) {
        while (o < shotsHeard.size() && writtenAt(m.writes, shotsHeard[o]).value_or(INT64_MAX) < fire.frameEndNs) ++o;
        const auto at = o < shotsHeard.size() ? writtenAt(m.writes, shotsHeard[o]) : std::nullopt;
        if (!at || *at - fire.frameEndNs > 500'000'000) {
            ++lost;
            continue;
        }
        latencies.push_back(seconds(*at - fire.frameEndNs) * 1e3 + QUEUE_BLOCKS * BLOCK_SECONDS * 1e3);
        ++o;
    }
    std::printf("program           %s\n", options.program.name.c_str());
    std::printf("receiving         %.1f s, %d frames (one every 40 ms), %zu fire frames", m.wallSeconds, m.framesSent,
                m.fires.size());
    if (options.silentOutput)
        std::printf(", the silent output (no recording)\n");
    else
        std::printf(", %d without a shot heard\n", lost);
    std::printf("cpu               %.2f %% of a core (the program's process)\n", 100.0 * m.programCpu / m.wallSeconds);
    if (underWine)
        std::printf("cpu with Wine     %.2f %% of a core (the program, Wine's server, desktop and services)\n",
                    100.0 * m.wineCpu / m.wallSeconds);
    if (!latencies.empty())
        std::printf("latency           median %.1f ms, p99 %.1f ms, max %.1f ms (frame end to the shot's first sample, "
                    "%.0f ms of queue counted in)\n",
                    percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0),
                    QUEUE_BLOCKS * BLOCK_SECONDS * 1e3);
    if (out.empty()) fs::remove_all(options.dir);
    return 0;
}
