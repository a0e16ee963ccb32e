// make-demo-sounds: writes the demo sound set beside a program so that it
// runs (and its tests run) without any sound files of the user's own.
//
//   make-demo-sounds [--sounds] [--settings-if-missing] [--com 0|1|2] [--controllers N] <program folder>
//
// Without --sounds or --settings-if-missing it does both. IR.ini is written
// only where there is none, so a user's settings survive every build; it
// names the set for the first N controllers (all four unless told) and
// "leer" for the others, on COM1 unless told (0: no port, as the installed
// set has it, so that a first start opens no serial port by itself).
#include <cstdio>
#include <exception>
#include <string>

#include "sound_set_files.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: make-demo-sounds [--sounds] [--settings-if-missing] [--com 0|1|2] [--controllers 1-4]"
                 " <program folder>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool sounds = false;
    bool settings = false;
    int comport = 1;
    int controllers = 4;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sounds") {
            sounds = true;
        } else if (arg == "--settings-if-missing") {
            settings = true;
        } else if (arg == "--com" && i + 1 < argc) {
            const std::string port = argv[++i];
            if (port != "0" && port != "1" && port != "2") return usage();
            comport = port[0] - '0';
        } else if (arg == "--controllers" && i + 1 < argc) {
            const std::string count = argv[++i];
            if (count.size() != 1 || count[0] < '1' || count[0] > '4') return usage();
            controllers = count[0] - '0';
        } else if (!arg.empty() && arg[0] != '-' && folder.empty()) {
            folder = arg;
        } else {
            return usage();
        }
    }
    if (folder.empty()) return usage();
    if (!sounds && !settings) sounds = settings = true;

    try {
        if (sounds) demo::writeSoundSet(folder);
        if (settings && demo::writeSettingsIfMissing(folder, comport, controllers))
            std::printf("make-demo-sounds: wrote %s/IR.ini\n", folder.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-demo-sounds: %s\n", e.what());
        return 1;
    }
    return 0;
}
