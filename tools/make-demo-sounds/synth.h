// Synthesis of the demo sound set: an engine sound with six segments, a shot,
// a looping turret whine and a looping background. Deterministic: the same
// build gives the same files.
#pragma once

#include <cstdint>
#include <vector>

namespace demo {

using Samples = std::vector<int16_t>;  // 16-bit mono at SAMPLE_RATE

// The engine's pitch (as a multiple of the fundamental), level (0..1) and
// brightness (0 = dull, 1 = bright) at a time in the engine sound.
struct EngineState {
    double pitch;
    double level;
    double brightness;
};
EngineState engineStateAt(double seconds);

Samples synthesizeEngine();
Samples synthesizeShot();
Samples synthesizeTurret();
Samples synthesizeRain();

}  // namespace demo
