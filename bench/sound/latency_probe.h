// Frame end to first changed output sample: the probe both systems' latency
// benchmarks put into their output's render call (sound_quality latency on
// Linux through SDL, sound_bench_win32 on Windows through the file and
// the system's output). A sound decision is made at a random moment, right
// at a frame's end; the audio thread notes when the first sample it changed
// leaves the mixer, and when it is heard.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/mixer.h"

namespace rumblet::bench {

int64_t nowNs();

struct LatencyProbe {
    std::shared_ptr<Mixer> mixer;  // made at the output's rate
    std::atomic<bool> armed{false};
    std::atomic<int64_t> firstChangedNs{-1};

    // The audio thread's call: renders `frames` into `out`; their first
    // frame is heard `aheadFrames` after it leaves the mixer (the device's
    // queue where the output knows it, else 0).
    void render(float* out, size_t frames, uint32_t aheadFrames = 0);
};

struct LatencyFigures {
    std::vector<double> toMixerMs;  // decision to the first changed sample rendered (and queued ahead, if known)
    double quantile(double q) const;
    double max() const { return quantile(1.0); }
};

// `trials` decisions at random moments (15 to 30 ms apart: past the
// fade-out, at any phase of the output's blocks): a looping sound starts
// from silence; the time until the probe sees it.
LatencyFigures measureLatency(LatencyProbe& probe, int trials);

// The parts of a benchmark program to run: those named on its command
// line, every part when none is.
class PartsWanted {
public:
    PartsWanted(int argc, char** argv) : parts_(argv + 1, argv + argc) {}
    bool operator()(const std::string& part) const {
        return parts_.empty() || std::find(parts_.begin(), parts_.end(), part) != parts_.end();
    }

private:
    std::vector<std::string> parts_;
};

}  // namespace rumblet::bench
