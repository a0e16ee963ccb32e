// Any bytes as a wave file: loading either gives a sound whose geometry is
// consistent or refuses with SoundError; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sound/wave_file.h"
#include "sound/sound_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const rumblet::WaveData wave = rumblet::decodeWave(data, size, "fuzz.wav");
        const bool consistent = wave.frames > 0 &&
                                wave.samples.size() == static_cast<size_t>(wave.frames * wave.format.channels) &&
                                wave.dataBytes() == wave.frames * wave.format.blockAlign();
        if (!consistent) std::abort();
    } catch (const rumblet::SoundError&) {
    }
    return 0;
}
