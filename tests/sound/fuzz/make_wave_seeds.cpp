// Writes a few small, valid wave files of every kind the loader knows into
// the folder given, as the starting corpus of fuzz_wave_loader: from there
// the fuzzer reaches far deeper into the chunks than from nothing.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "sound/testing/test_waves.h"
#include "tests/sound/wave_bytes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_wave_seeds <folder>\n");
        return 2;
    }
    using rumblet::testing::SampleFormat;
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    const auto tone = rumblet::testing::sineWave(440, 64, 8000, 0.5);
    struct Seed {
        const char* name;
        SampleFormat format;
        int channels;
    };
    const Seed seeds[] = {{"u8_mono.wav", SampleFormat::Unsigned8, 1}, {"pcm16_stereo.wav", SampleFormat::Pcm16, 2},
                          {"pcm24_mono.wav", SampleFormat::Pcm24, 1},   {"float_stereo.wav", SampleFormat::Float32, 2},
                          {"adpcm_mono.wav", SampleFormat::ImaAdpcm, 1}};
    for (const Seed& s : seeds) {
        std::vector<float> samples;
        for (float v : tone)
            for (int c = 0; c < s.channels; ++c) samples.push_back(v);
        rumblet::testing::writeWaveFile(folder + "/" + s.name, samples, s.channels, 8000, s.format);
    }
    // The other layouts the decoders know, built byte by byte.
    namespace w = rumblet::testing;
    const std::string bytes(64, '\x5a');
    const std::pair<const char*, std::string> layouts[] = {
        {"alaw_mono.wav", w::waveOf(w::formatChunk(w::ALAW, 1, 8000, 1, 8), bytes)},
        {"mulaw_stereo.wav", w::waveOf(w::formatChunk(w::MULAW, 2, 8000, 2, 8), bytes)},
        {"double_mono.wav", w::waveOf(w::formatChunk(w::FLOAT, 1, 8000, 8, 64), bytes)},
        {"extensible_float.wav", w::waveOf(w::extensibleChunk(w::FLOAT, 2, 8000, 8, 32, 32), bytes)},
        {"rifx_pcm16.wav", w::waveOf(w::formatChunk(w::PCM, 1, 8000, 2, 16, w::Order::Big), bytes, w::Order::Big)},
        {"pcm24_in_4_bytes.wav", w::waveOf(w::formatChunk(w::PCM, 1, 8000, 4, 24), std::string(5000, '\x5a'))},
    };
    for (const auto& [name, content] : layouts) std::ofstream(folder + "/" + name, std::ios::binary) << content;
    return 0;
}
