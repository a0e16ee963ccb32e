// The mixer's heaviest load in the program, for the mixing benchmarks on
// both systems: 13 voices (four tanks with three sounds each, and the
// background), mono and stereo, 11.025 to 44.1 kHz, each at its own pitch,
// with the engine's kind of traffic: a frequency change and a loop jump per
// voice every 50 ms.
#pragma once

#include <memory>
#include <vector>

#include "sound/mixer.h"

namespace rumblet::bench {

inline constexpr int MOST_VOICES = 13;

class ThirteenVoices {
public:
    explicit ThirteenVoices(Mixer& mixer);
    // One second of output in blocks of `blockFrames`.
    void mixOneSecond(Mixer& mixer, size_t blockFrames);

private:
    std::vector<std::unique_ptr<SoundBuffer>> voices_;
    std::vector<float> out_;
};

}  // namespace rumblet::bench
