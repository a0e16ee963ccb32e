// What one long engine sound costs in memory, as the program loads it: the
// main window's sound set with the sound on one controller and on all four,
// and each of them with the sound editor opened on it, the same file picked
// again and the editor closed (which saves and reloads everything).
//
// Each case runs in a process of its own (this program started again), so
// its peak is its own: the resident set at its highest (VmHWM, the editor's
// close and reload included) and with everything in use (VmRSS), and what
// the process held before it loaded anything. The sound is synthetic 16-bit stereo at 44.1 kHz, written in
// pieces so the writer itself stays small.
//
// Usage: sound_memory [minutes]...   (3 and 5.5 when none)
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/soundedit.h"
#include "sound/mixer_device.h"
#include "sound/testing/test_waves.h"
#include "tanksound/sound_engine.h"

namespace rumblet::bench {
namespace {

constexpr int RATE = 44100;
constexpr int CHANNELS = 2;
constexpr const char* SOUND = "long.wav";

void putLe(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
}

// An engine-like pulse whose level wanders, one second at a time.
void writeLongWave(const std::string& path, double minutes) {
    const auto frames = static_cast<uint32_t>(minutes * 60 * RATE);
    const uint32_t dataBytes = frames * CHANNELS * 2;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    putLe(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    putLe(out, 16, 4);
    putLe(out, 1, 2);
    putLe(out, CHANNELS, 2);
    putLe(out, RATE, 4);
    putLe(out, RATE * CHANNELS * 2, 4);
    putLe(out, CHANNELS * 2, 2);
    putLe(out, 16, 2);
    out.write("data", 4);
    putLe(out, dataBytes, 4);
    std::vector<int16_t> second(size_t(RATE) * CHANNELS);
    for (uint32_t at = 0; at < frames; at += RATE) {
        const uint32_t count = std::min<uint32_t>(RATE, frames - at);
        for (uint32_t f = 0; f < count; ++f) {
            const double t = double(at + f) / RATE;
            const double s = (0.5 + 0.3 * std::sin(t)) * std::sin(2 * M_PI * 40 * t) * std::exp(-std::fmod(t * 40, 1.0) * 4);
            second[2 * f] = static_cast<int16_t>(s * 32767);
            second[2 * f + 1] = static_cast<int16_t>(-s * 32767);
        }
        out.write(reinterpret_cast<const char*>(second.data()), std::streamsize(count) * CHANNELS * 2);
    }
    if (!out) throw std::runtime_error("cannot write " + path);
}

// A line of /proc/self/status in kB ("VmHWM", "VmRSS").
long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
    }
    return -1;
}

// The main window's side of the editor's close, without its message boxes.
class Owner : public SoundeditOwner {
public:
    explicit Owner(ProgramData& data) : data_(data) {}
    void initsave() override { rumblet::initsave(data_, comport_); }
    void initladen() override { rumblet::initladen(data_, comport_); }
    void soundladen() override { rumblet::soundladen(data_); }
    void posladen() override { rumblet::posladen(data_); }
    void enableTimer2() override {}

private:
    ProgramData& data_;
    int16_t comport_ = 0;
};

class System : public SoundeditSystem {
public:
    void MsgBox(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    void Sleep(int32_t) override {}
    void TIMEINIT() override {}
    std::string decimalSeparator() const override { return "."; }
};

// One case, in this process: prints in kB what the process held before it
// loaded anything, at its peak, and with everything in use (the main
// window's sounds loaded; the editor open with the sound picked again).
int runCase(const std::string& name, const std::string& folder) {
    const long before = statusKb("VmRSS");
    const bool four = name.rfind("four", 0) == 0;
    const bool editor = name.find("editor") != std::string::npos;
    ProgramData data;
    data.programDir = folder;
    data.directx = std::make_unique<OfflineSoundSystem>();
    soundinit(data);
    for (auto& c : data.controllers) c.enginesound.file = c.shotsound.file = c.turretsound.file = EMPTY_SOUND;
    data.atmosound.file = EMPTY_SOUND;
    for (int n = 0; n < (four ? CONTROLLER_COUNT : 1); ++n) data.controllers[n].enginesound.file = SOUND;
    for (const auto& m : soundladen(data)) std::fprintf(stderr, "message: %s\n", m.c_str());
    posladen(data);
    long inUse = statusKb("VmRSS");
    if (editor) {
        Owner owner(data);
        System system;
        Soundedit edit(data, owner, system);
        edit.Form_Load();
        auto& items = edit.File1.items;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i] == SOUND) edit.File1.click(static_cast<int>(i));
        }
        inUse = statusKb("VmRSS");
        edit.Form_Unload();
    }
    std::printf("%ld %ld %ld\n", before, statusKb("VmHWM"), inUse);
    return 0;
}

struct Figures {
    double before = 0, peak = 0, loaded = 0;  // MiB
};

// Runs one case in a new process of this program.
Figures measure(const char* self, const std::string& name, const std::string& folder) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe");
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        execl("/proc/self/exe", self, "--case", name.c_str(), folder.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    char text[128] = {};
    const ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    long before = 0, peak = 0, loaded = 0;
    if (got <= 0 || std::sscanf(text, "%ld %ld %ld", &before, &peak, &loaded) != 3 || status != 0)
        throw std::runtime_error("case " + name + " failed");
    return {before / 1024.0, peak / 1024.0, loaded / 1024.0};
}

int runAll(const char* self, std::vector<double> lengths) {
    if (lengths.empty()) lengths = {3, 5.5};
    const char* cases[] = {"one", "four", "one+editor", "four+editor"};
    std::printf("%-8s %-12s %10s %10s %10s\n", "minutes", "case", "before", "peak", "in use");
    for (double minutes : lengths) {
        testing::TempFolder folder;
        for (const char* sub : {"/dsound/Schuss", "/dsound/Turm", "/dsound/atmo"})
            std::filesystem::create_directories(folder.path() + sub);
        writeLongWave(folder.path() + "/dsound/" + SOUND, minutes);
        Figures one{}, four{};
        for (const char* name : cases) {
            const Figures f = measure(self, name, folder.path());
            std::printf("%-8.1f %-12s %7.1f MiB %6.1f MiB %6.1f MiB", minutes, name, f.before, f.peak, f.loaded);
            if (std::strcmp(name, "one") == 0) one = f;
            if (std::strcmp(name, "four") == 0) four = f;
            const Figures& base = std::strncmp(name, "four", 4) == 0 ? four : one;
            if (std::strcmp(name, "one") != 0 && std::strcmp(name, "four") != 0)
                std::printf("   peak %.2f x, in use %.2f x of %s", f.peak / base.peak, f.loaded / base.loaded,
                            &base == &one ? "one" : "four");
            else if (std::strcmp(name, "four") == 0)
                std::printf("   peak %.2f x, in use %.2f x of one", f.peak / one.peak, f.loaded / one.loaded);
            std::printf("\n");
        }
    }
    return 0;
}

}  // namespace
}  // namespace rumblet::bench

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::strcmp(argv[1], "--case") == 0) return rumblet::bench::runCase(argv[2], argv[3]);
        std::vector<double> lengths;
        for (int i = 1; i < argc; ++i) lengths.push_back(std::atof(argv[i]));
        return rumblet::bench::runAll(argv[0], lengths);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sound_memory: %s\n", e.what());
        return 1;
    }
}
