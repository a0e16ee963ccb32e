// Reading a recording of rumblet's output against the demo sound set: the
// level of each sound's band over time and the engine's pitch.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "sound_analysis.h"

namespace e2e {

// A band's level in consecutive windows of `step` seconds.
class LevelTrack {
public:
    LevelTrack(const demo::Recording& recording, demo::Band band, double step);

    double median(double from, double to) const;
    double max(double from, double to) const;
    // The start of the first window in [from, to) from which the level
    // stays above (below) `level` for `hold` seconds (a click or a single
    // stray frame does not count).
    std::optional<double> firstAbove(double from, double to, double level, double hold = 0.0) const;
    std::optional<double> firstBelow(double from, double to, double level, double hold = 0.0) const;

private:
    std::vector<double> inRange(double from, double to) const;
    std::optional<double> firstWhere(double from, double to, double hold, const std::function<bool(double)>& test) const;
    double step_;
    std::vector<double> levels_;
};

// The median of the engine's fundamental over 0.2 s windows in [from, to),
// taken below the turret's band; nothing when no window shows a pitch.
std::optional<double> enginePitch(const demo::Recording& recording, double from, double to);

// The pitch that most of the 0.2 s windows in [from, to) agree on (within
// 1 %), and the share of all windows that do.
struct SteadyPitch {
    double hz;
    double share;
};
std::optional<SteadyPitch> steadyEnginePitch(const demo::Recording& recording, double from, double to);

}  // namespace e2e
