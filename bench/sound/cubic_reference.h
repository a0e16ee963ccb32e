// The mixer's first resampler, a 4-point cubic (Catmull-Rom), kept here
// only as the reference the band-limited one is measured against: images,
// aliases and cost. The program never uses it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sound/wave_file.h"

namespace rumblet::bench {

// Adds `frames` frames of mono `wave` at `gain`, read from `position` with
// `step` sound frames per output frame, into `out` (interleaved stereo, both
// sides), looping. `position` moves on.
void addCubic(const WaveData& wave, double& position, double step, float gain, float* out, size_t frames);

}  // namespace rumblet::bench
