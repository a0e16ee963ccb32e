// Writes a few small, valid wave files of every kind the loader knows into
// the folder given, as the starting corpus of fuzz_wave_loader: from there
// the fuzzer reaches far deeper into the chunks than from nothing.
#include <cstdio>
#include <filesystem>
#include <string>

#include "sound/testing/test_waves.h"

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
    return 0;
}
