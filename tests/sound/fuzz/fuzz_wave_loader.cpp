// Any bytes as a wave file, through both sample decoders: each either gives
// a sound whose geometry is consistent or refuses with SoundError, and our
// own decoder (Windows) gives what libsndfile (Linux) gives, bit for bit,
// or refuses what it refuses. Nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "sound/sndfile_samples.h"
#include "sound/sound_device.h"
#include "sound/wave_samples.h"

namespace {

std::optional<rumblet::WaveData> decoded(rumblet::SampleDecoder decoder, const uint8_t* data, size_t size) {
    try {
        rumblet::WaveData wave = rumblet::decodeWaveWith(decoder, data, size, "fuzz.wav");
        const bool consistent = wave.frames > 0 &&
                                wave.samples.size() == static_cast<size_t>(wave.frames * wave.format.channels) &&
                                wave.dataBytes() == wave.frames * wave.format.blockAlign();
        if (!consistent) std::abort();
        return wave;
    } catch (const rumblet::SoundError&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto ours = decoded(rumblet::decodeSamples, data, size);
    const auto theirs = decoded(rumblet::decodeSamplesWithSndfile, data, size);
    if (ours.has_value() != theirs.has_value()) std::abort();
    if (!ours) return 0;
    const bool same = ours->format.sampleRate == theirs->format.sampleRate &&
                      ours->format.channels == theirs->format.channels &&
                      ours->format.bytesPerSample == theirs->format.bytesPerSample && ours->frames == theirs->frames &&
                      std::memcmp(ours->samples.data(), theirs->samples.data(), ours->samples.size() * sizeof(float)) == 0;
    if (!same) std::abort();
    return 0;
}
