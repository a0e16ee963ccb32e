#include "drive_session.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/mainform.h"
#include "fake_window.h"
#include "sound/mixer.h"
#include "sound/mixer_device.h"
#include "sound_recorder.h"
#include "virtual_port.h"

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* MAIN_WINDOW_TITLE = "^rumblet   v\\.0\\.85\\.beta$";
constexpr const char* REMOTE_WINDOW_TITLE = "^irremote$";
constexpr int REMOTE_WINDOW_TOP = 260;  // pixels: below the main window

double seconds(Clock::time_point t) { return std::chrono::duration<double>(t.time_since_epoch()).count(); }

// Centre of each control in window pixels, from the main window's own layout
// (twips, 15 to the pixel; controls sit inside their frames).
std::map<std::string, std::pair<int, int>> controlCentres() {
    rumblet::ProgramData data;
    rumblet::testing::VirtualPort line;
    rumblet::testing::FakeWindow window(line);
    rumblet::testing::EventLog log;
    rumblet::testing::SoundRecorder sounds(log);
    rumblet::MainForm form(data, line, sounds, window);
    const auto px = [](int32_t twips) { return (twips + 7) / 15; };
    std::map<std::string, rumblet::Twips> frames;
    const auto layout = form.layout();
    for (const auto& c : layout)
        if (c.kind == rumblet::ControlKind::Frame) frames[c.name] = c.place;
    std::map<std::string, std::pair<int, int>> centres;
    for (const auto& c : layout) {
        const rumblet::Twips in = c.container.empty() ? rumblet::Twips{} : frames[c.container];
        centres[c.name] = {px(in.left) + px(c.place.left) + px(c.place.width) / 2,
                           px(in.top) + px(c.place.top) + px(c.place.height) / 2};
    }
    return centres;
}

// A UDP port of the loopback address that nothing listens on now.
int freeUdpPort() {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (s >= 0) close(s);
    return bound ? ntohs(address.sin_port) : 0;
}

// Notes the recording's length against the clock until stopped.
class RecordingWatch {
public:
    RecordingWatch(const fs::path& file, std::vector<RecordingMark>& marks) : thread_([this, file, &marks] {
        const auto format = recordedFormat();
        const double bytesPerSecond = double(format.rate) * format.channels * sizeof(float);
        while (!stop_) {
            std::error_code ec;
            const auto size = fs::file_size(file, ec);
            if (!ec) marks.push_back({seconds(Clock::now()), double(size) / bytesPerSecond});
            std::this_thread::sleep_for(10ms);
        }
    }) {}
    ~RecordingWatch() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

private:
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

class Drive {
public:
    explicit Drive(const DriveOptions& options)
        : o_(options),
          program_(options.dir / "program"),
          socket_(options.program.overUdp ? "udp:127.0.0.1:" + std::to_string(freeUdpPort())
                                          : (options.dir / "ir.sock").string()) {}
    ~Drive() {
        if (o_.program.finish) o_.program.finish();
    }

    DriveResult run() {
        fs::remove_all(o_.dir);
        fs::create_directories(program_);
        if (!prepareProgram()) return r_;
        if (o_.adjustSettings) o_.adjustSettings(program_);
        VirtualDisplay display((o_.dir / "xvfb.log").string());
        if (display.name().empty()) return fail("Xvfb did not start (xvfb.log)");
        const Desktop desktop(display.name(), XWINDOW_TOOL);
        r_.recording = o_.dir / "sound.raw";
        r_.programFolder = program_;
        const Environment env = environment(display);
        Child rumblet(o_.program.command(program_), env, (o_.dir / "rumblet.log").string());
        RecordingWatch watch(r_.recording, r_.marks);
        const auto window = desktop.findWindow(MAIN_WINDOW_TITLE, 30s);
        if (!window) return fail("the main window did not appear within 30 s (rumblet.log)");
        std::this_thread::sleep_for(1s);  // the rest of the start-up: sounds, settings, COM1
        DriveContext context{desktop, *window, std::nullopt, o_.dir, rumblet.pid()};
        if ((o_.background && !context.click("Check4")) || !context.click("Command4"))
            return fail("cannot click Background and ON");

        std::unique_ptr<Child> remote;
        if (o_.remote) {
            r_.scriptZero = seconds(Clock::now());
            o_.remote(context, socket_);
        } else {
            std::vector<std::string> remoteCommand = {IRREMOTE, "--script", o_.script, "--socket", socket_, "--log-frames"};
            if (!o_.remoteWindow) remoteCommand.push_back("--no-window");
            remote = std::make_unique<Child>(remoteCommand, env, (o_.dir / "irremote.log").string());
            if (!waitForScriptStart()) return fail("irremote did not start its script (irremote.log)");
        }
        if (o_.remoteWindow) {
            // Without a window manager both windows open at the top left;
            // irremote's goes below the main window, which stays in view.
            context.remoteWindow = desktop.findWindow(REMOTE_WINDOW_TITLE, 10s);
            if (context.remoteWindow) desktop.move(*context.remoteWindow, 0, REMOTE_WINDOW_TOP);
        }

        bool off = false;
        const auto clickOff = [&] {
            at(o_.offAt);
            r_.offClick = seconds(Clock::now());
            off = context.click("Command2");
            return off;
        };
        for (const DriveStep& step : o_.steps) {
            if (!off && step.at > o_.offAt && !clickOff()) return fail("cannot click OFF");
            at(step.at);
            step.act(context);
        }
        if (!off && !clickOff()) return fail("cannot click OFF");
        if (remote && !remote->waitFor(60s)) return fail("irremote did not finish its script (irremote.log)");

        if (o_.replaceSettingsBeforeClose)
            std::ofstream(program_ / "IR.ini", std::ios::binary) << "replaced before the close\r\n";
        if (!desktop.close(*window)) return fail("cannot ask the main window to close");
        // A window that takes no input at that moment lets the request pass
        // (under Wine the main window just after the modal sound editor has
        // gone, later on a busy machine): one still showing is asked again.
        for (int asked = 1; !(r_.exitStatus = rumblet.waitFor(5s)) && asked < 3; ++asked)
            if (desktop.findWindow(MAIN_WINDOW_TITLE, 0ms)) desktop.close(*window);
        watch.stop();
        writeMarks();
        r_.settingsAfterClose = readFile(program_ / "IR.ini");
        return r_;
    }

    SignalledEnd endBySignal(int signal, bool startTwice) {
        SignalledEnd end;
        fs::remove_all(o_.dir);
        fs::create_directories(program_);
        VirtualDisplay display((o_.dir / "xvfb.log").string());
        if (!prepareProgram()) end.problem = r_.problem;
        if (end.problem.empty() && display.name().empty()) end.problem = "Xvfb did not start";
        if (!end.problem.empty()) return end;
        r_.recording = o_.dir / "sound.raw";
        Child rumblet(o_.program.command(program_), environment(display), (o_.dir / "rumblet.log").string());
        const Desktop desktop(display.name(), XWINDOW_TOOL);
        if (!desktop.findWindow(MAIN_WINDOW_TITLE, 30s)) {
            end.problem = "the main window did not appear within 30 s; see " + o_.dir.string();
            return end;
        }
        std::this_thread::sleep_for(1s);  // the rest of the start-up
        if (startTwice) {
            Child second(o_.program.command(program_), environment(display), (o_.dir / "second.log").string());
            // The message box has the program's title alone; its OK ends the copy.
            if (const auto message = desktop.findWindow("^rumblet$", 30s)) {
                end.secondStartMessage = desktop.screenshot(*message, (o_.dir / "second-start.png").string());
                desktop.close(*message);
            }
            end.secondStartStatus = second.waitFor(15s);
        }
        std::ofstream(program_ / "IR.ini", std::ios::binary) << "replaced before the signal\r\n";
        ::kill(rumblet.pid(), signal);
        end.exitStatus = rumblet.waitFor(15s);
        end.settingsAfter = readFile(program_ / "IR.ini");
        return end;
    }

private:
    Environment environment(const VirtualDisplay& display) const {
        return {
            {"DISPLAY", display.name()},         {"QT_QPA_PLATFORM", "xcb"},
            {"SDL_AUDIODRIVER", o_.silentOutput ? "dummy" : "disk"},
            {"SDL_DISKAUDIOFILE", o_.program.fileName(r_.recording)},
            {"PORT_COM1", "virtual:" + socket_}, {"HOME", o_.dir.string()},
        };
    }

    DriveResult fail(const std::string& problem) {
        r_.problem = problem + "; see " + o_.dir.string();
        return r_;
    }

    // The program's folder as the build leaves it: the program, its library,
    // the demo sound set and an IR.ini naming it on COM1.
    bool prepareProgram() {
        if (runCommand({MAKE_DEMO_SOUNDS, "--com", "1", "--controllers", std::to_string(o_.controllers),
                        program_.string()},
                       {}, 60s)
                .status != 0) {
            fail("make-demo-sounds failed");
            return false;
        }
        if (const std::string problem = o_.program.install(program_); !problem.empty()) {
            fail("cannot put " + o_.program.name + " into its folder: " + problem);
            return false;
        }
        return true;
    }

    // The recording's marks in script time, for looking into a run.
    void writeMarks() const {
        std::ofstream out(o_.dir / "recording-marks.txt");
        out << "# script seconds, recorded seconds\n";
        for (const RecordingMark& m : r_.marks) out << m.monotonic - r_.scriptZero << ' ' << m.recorded << '\n';
    }

    bool waitForScriptStart() {
        const std::string mark = "script starts at monotonic ";
        const auto end = Clock::now() + 10s;
        while (Clock::now() < end) {
            const std::string log = readFile(o_.dir / "irremote.log");
            if (const auto at = log.find(mark); at != std::string::npos) {
                r_.scriptZero = std::stod(log.substr(at + mark.size()));
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    void at(double scriptSeconds) const {
        const double wait = r_.scriptZero + scriptSeconds - seconds(Clock::now());
        if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }

    const DriveOptions& o_;
    fs::path program_;
    std::string socket_;
    DriveResult r_;
};

}  // namespace

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::pair<int, int> DriveContext::place(const std::string& control) const {
    static const auto centres = controlCentres();
    return centres.at(control);
}

bool DriveContext::click(const std::string& control) const {
    const auto [x, y] = place(control);
    return desktop.click(mainWindow, x, y);
}

std::string DriveContext::text(const std::string& control) const {
    const auto [x, y] = place(control);
    return desktop.selectText(mainWindow, x, y).value_or("<not readable>");
}

double DriveResult::recordedAt(double scriptSeconds) const {
    const double at = scriptZero + scriptSeconds;
    if (marks.empty()) return scriptSeconds;
    const auto after = std::lower_bound(marks.begin(), marks.end(), at,
                                        [](const RecordingMark& m, double t) { return m.monotonic < t; });
    if (after == marks.begin()) return after->recorded - (after->monotonic - at);
    if (after == marks.end()) return marks.back().recorded + (at - marks.back().monotonic);
    const auto before = after - 1;
    const double u = (at - before->monotonic) / (after->monotonic - before->monotonic);
    return before->recorded + u * (after->recorded - before->recorded);
}

ProgramUnderTest linuxProgram() {
    ProgramUnderTest p;
    p.name = "rumblet";
    p.install = [](const fs::path& folder) {
        std::error_code ec;
        fs::copy_file(RUMBLET_PROGRAM, folder / "rumblet", ec);
        if (!ec) fs::copy_file(fs::path(RUMBLET_PROGRAM).parent_path() / "libport.so", folder / "libport.so", ec);
        return ec ? ec.message() : std::string();
    };
    p.command = [](const fs::path& folder) { return std::vector<std::string>{(folder / "rumblet").string()}; };
    p.fileName = [](const fs::path& file) { return file.string(); };
    return p;
}

ProgramUnderTest wineProgram(const std::string& loader, const fs::path& windowsBuild, const fs::path& prefix) {
    ProgramUnderTest p;
    p.name = "rumblet.exe (" + fs::path(loader).filename().string() + ")";
    // wine_rumblet.sh copies rumblet.exe and port.dll at each start.
    p.install = [windowsBuild](const fs::path&) {
        return fs::exists(windowsBuild / "app" / "rumblet.exe") ? std::string()
                                                                 : "no " + (windowsBuild / "app" / "rumblet.exe").string();
    };
    p.command = [=](const fs::path& folder) {
        return std::vector<std::string>{WINE_RUMBLET, loader, windowsBuild.string(), prefix.string(), folder.string()};
    };
    // Wine's drive Z: is this machine's root.
    p.fileName = [](const fs::path& file) {
        std::string name = "Z:" + fs::absolute(file).string();
        std::replace(name.begin(), name.end(), '/', '\\');
        return name;
    };
    p.finish = [prefix] { runCommand({"wineserver", "-k"}, {{"WINEPREFIX", prefix.string()}}); };
    p.overUdp = true;
    return p;
}

RawSoundFormat recordedFormat() { return {rumblet::DEFAULT_OUTPUT_RATE, rumblet::MIXER_OUTPUT_CHANNELS}; }

DriveResult runDrive(const DriveOptions& options) { return Drive(options).run(); }

SignalledEnd endBySignal(const std::filesystem::path& dir, int signal, bool startTwice) {
    DriveOptions options;
    options.dir = dir;
    options.controllers = 1;
    return Drive(options).endBySignal(signal, startTwice);
}

}  // namespace e2e
