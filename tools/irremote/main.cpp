// irremote: a virtual remote control for up to four tanks, sending IR frames
// to rumblet's virtual receiver. With a window the remotes are played by
// keyboard and mouse; a script plays them by itself, with or without window.
//
//   irremote [--port COM1|COM2] [--socket PATH|udp:ADDRESS:PORT] [--script FILE]
//            [--no-window] [--log-frames] [--stay]
//   irremote --help | --version
//
// --socket udp:127.0.0.1:5000 sends to a receiver listening on UDP (a
// program on Windows, or under Wine, whose COM1 is mapped there).
#include <time.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/command_line.h"
#include "remote_window.h"
#include "session.h"
#include "window/qt/open_application.h"

namespace {

using namespace irremote;

struct Options {
    std::string port = "COM1";
    std::string socket;
    std::string script;
    bool window = true;
    bool logFrames = false;
    bool stay = false;
};

constexpr const char* USAGE =
    "usage: irremote [--port COM1|COM2] [--socket PATH|udp:ADDRESS:PORT] [--script FILE]\n"
    "                [--no-window] [--log-frames] [--stay]\n"
    "       irremote --help | --version\n"
    "Virtual remote controls for up to four tanks, sending IR frames to rumblet's\n"
    "virtual receiver; a script plays them by itself, with or without window.\n";

int usage(const std::string& problem) {
    std::cerr << "irremote: " << problem << "\n" << USAGE;
    return 2;
}

void printLog(const std::string& line) {
    std::printf("irremote: %s\n", line.c_str());
    std::fflush(stdout);
}

// Plays the script without a window: a tick every 2 ms until its end, so
// that frames leave within 2 ms of their turn.
void playHeadless(Session& session) {
    constexpr long TICK_NS = 2'000'000;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    while (!session.scriptFinished()) {
        session.tick(port::virtual_receiver::monotonicNowNs());
        next.tv_nsec += TICK_NS;
        if (next.tv_nsec >= 1'000'000'000) {
            next.tv_nsec -= 1'000'000'000;
            ++next.tv_sec;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto answer = rumblet::helpOrVersion({argv + 1, argv + argc}, "irremote", USAGE)) {
        std::cout << *answer;
        return 0;
    }
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--port") {
            if (!value(o.port)) return usage("--port needs COM1 or COM2");
        } else if (arg == "--socket") {
            if (!value(o.socket)) return usage("--socket needs a path or udp:<address>:<port>");
        } else if (arg == "--script") {
            if (!value(o.script)) return usage("--script needs a file");
        } else if (arg == "--no-window") {
            o.window = false;
        } else if (arg == "--log-frames") {
            o.logFrames = true;
        } else if (arg == "--stay") {
            o.stay = true;
        } else {
            return usage("unknown argument \"" + arg + "\"");
        }
    }
    if (!o.window && o.script.empty()) return usage("--no-window needs --script");

    if (o.socket.empty()) {
        std::string whyNot;
        o.socket = receiverAddressForPort(o.port, whyNot);
        if (o.socket.empty())
            return usage(whyNot + "; map it to the virtual receiver for rumblet and irremote alike (PORT_" + o.port +
                         "=virtual:/path/to/socket) or pass --socket");
    }

    if (std::string problem; !port::virtual_receiver::parseReceiverAddress(o.socket, problem))
        return usage("--socket " + o.socket + ": " + problem);

    Session session(o.socket, printLog, o.logFrames);
    if (!o.script.empty()) {
        std::ifstream file(o.script, std::ios::binary);
        if (!file) return usage("cannot read the script " + o.script);
        std::stringstream text;
        text << file.rdbuf();
        try {
            session.play(parseScript(text.str()));
        } catch (const ScriptError& e) {
            std::cerr << "irremote: " << o.script << ": " << e.what() << "\n";
            return 2;
        }
    }
    printLog("sending to " + o.socket);

    if (!o.window) {
        playHeadless(session);
        return 0;
    }
    const auto app = rumblet::qtskin::openApplication(argc, argv, "irremote");
    if (!app) return 1;
    RemoteWindow window(session, !o.script.empty() && !o.stay);
    window.show();
    return app->exec();
}
