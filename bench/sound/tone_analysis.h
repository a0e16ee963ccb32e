// Measuring what a resampler adds to a pure tone: the strongest component
// besides the tone, from a windowed spectrum of the output with the tone
// taken out first (so that the window's own leakage cannot hide anything).
#pragma once

#include <vector>

namespace rumblet::bench {

// The strongest component of `signal` (a power-of-two length) at up to
// `bandHz`, in dB relative to a tone of `amplitude`, after removing the
// tone of `toneHz` (when it lies below half the rate). A 4-term
// Blackman-Harris window: within 1 dB for components between bins.
double strongestOtherComponentDb(std::vector<float> signal, int rate, double toneHz, double amplitude,
                                 double bandHz);

}  // namespace rumblet::bench
