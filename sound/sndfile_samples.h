// The wave's sound chunks decoded by libsndfile: the decoder the program
// uses on Linux (sound/wave_samples.h).
#pragma once

#include <string>

#include "sound/wave_chunks.h"

namespace rumblet {

WaveData decodeSamplesWithSndfile(const SoundChunks& chunks, const std::string& name);

}  // namespace rumblet
