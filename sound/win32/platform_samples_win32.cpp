// Windows has no libsndfile: the program decodes wave files with our own
// decoder.
#include "sound/wave_samples.h"

namespace rumblet {

WaveData decodePlatformSamples(const SoundChunks& chunks, const std::string& name) {
    return decodeSamples(chunks, name);
}

}  // namespace rumblet
