// rumblet-demo-drive: the headless demo. Runs rumblet with the virtual
// receiver on a virtual display, irremote with its window playing a script,
// takes screenshots of both windows at one moment, and leaves the sound as
// SDL's disk output wrote it.
//
//   rumblet-demo-drive --out DIR --script FILE --screenshots-at SECONDS --off-at SECONDS
#include <cstdio>
#include <string>

#include "drive_session.h"

int main(int argc, char** argv) {
    e2e::DriveOptions options;
    options.remoteWindow = true;
    double screenshotsAt = -1.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i], value = argv[i + 1];
        if (arg == "--out") options.dir = value;
        else if (arg == "--script") options.script = value;
        else if (arg == "--screenshots-at") screenshotsAt = std::stod(value);
        else if (arg == "--off-at") options.offAt = std::stod(value);
    }
    if (options.dir.empty() || options.script.empty() || screenshotsAt < 0 || options.offAt <= screenshotsAt) {
        std::fprintf(stderr,
                     "usage: rumblet-demo-drive --out DIR --script FILE --screenshots-at SECONDS --off-at SECONDS\n");
        return 2;
    }
    options.steps = {{screenshotsAt, [](const e2e::DriveContext& c) {
                          c.desktop.screenshot(c.mainWindow, (c.dir / "rumblet.png").string());
                          if (c.remoteWindow) c.desktop.screenshot(*c.remoteWindow, (c.dir / "irremote.png").string());
                      }}};
    const e2e::DriveResult result = e2e::runDrive(options);
    if (!result.problem.empty()) {
        std::fprintf(stderr, "rumblet-demo-drive: %s\n", result.problem.c_str());
        return 1;
    }
    const auto format = e2e::recordedFormat();
    std::printf("sound %s rate %d channels %d float32\n", result.recording.c_str(), format.rate, format.channels);
    return 0;
}
