// recording-report: a recording of rumblet's output as a table, for looking
// into an end-to-end run: per step of time the level of each sound's band
// and the engine's pitch.
//
//   recording-report FILE.wav [STEP]
//   recording-report FILE.raw RATE CHANNELS [STEP]     (32-bit floats)
#include <cstdio>
#include <string>

#include "recording_checks.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: recording-report FILE.wav [STEP] | FILE.raw RATE CHANNELS [STEP]\n");
        return 2;
    }
    const std::string path = argv[1];
    const bool raw = path.size() > 4 && path.substr(path.size() - 4) == ".raw";
    demo::Recording r;
    double step = 0.25;
    try {
        if (raw && argc >= 4) {
            r = demo::readRawFloatRecording(path, std::stoi(argv[2]), std::stoi(argv[3]));
            if (argc >= 5) step = std::stod(argv[4]);
        } else {
            r = demo::readRecording(path);
            if (argc >= 3) step = std::stod(argv[2]);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "recording-report: %s\n", e.what());
        return 1;
    }
    const e2e::LevelTrack engine(r, demo::ENGINE_BAND, step), turret(r, demo::TURRET_BAND, step),
        shot(r, demo::SHOT_BAND, step), rain(r, demo::RAIN_BAND, step);
    std::printf("%8s %8s %8s %8s %8s %8s\n", "time", "engine", "pitch", "turret", "shot", "rain");
    for (double t = 0.0; t + step <= r.duration(); t += step) {
        const auto pitch = e2e::enginePitch(r, t, t + std::max(step, 0.2));
        std::printf("%8.2f %8.4f %8.1f %8.4f %8.4f %8.4f\n", t, engine.median(t, t + step), pitch.value_or(0.0),
                    turret.median(t, t + step), shot.median(t, t + step), rain.median(t, t + step));
    }
    return 0;
}
