// The sample decoders behind decodeWave. Each reads the plain wave that the
// chunk walk made (sound/wave_chunks.h) and gives the same sample values
// for every format the program plays: 8-bit unsigned, 16-, 24- and 32-bit
// integers, 32- and 64-bit floats, A-law and mu-law, mono or stereo, little
// (RIFF) or big (RIFX) endian, in a plain or an extensible format chunk.
//
// Linux decodes with libsndfile (sound/sndfile_samples.h); our own decoder
// is portable C++ without any library and decodes on Windows, where no
// libsndfile exists. Both are built on Linux, where a test holds them to
// the same values.
#pragma once

#include <string>

#include "sound/wave_chunks.h"

namespace rumblet {

// Our own decoder. Its rules follow libsndfile's reading of a wave, so a
// sound folder plays the same on both systems: the sample width comes from
// the bits per sample rounded up to whole bytes; a 32-bit integer becomes
// the nearest float; floats are 32 or 64 bits wide (25 to 32 bits count
// as 32, 57 to 64 as 64); A-law and mu-law decode to the 16-bit
// values of G.711; a plain 24-bit format whose blocks hold four bytes per
// sample is told apart (float, 32-bit integer or packed 24-bit) by the same
// look at the data.
WaveData decodeSamples(const SoundChunks& chunks, const std::string& name);

// The decoder the program uses on this platform.
WaveData decodePlatformSamples(const SoundChunks& chunks, const std::string& name);

}  // namespace rumblet
