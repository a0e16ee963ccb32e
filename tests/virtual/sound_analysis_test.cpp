// The measuring that the demo set's tests and the end-to-end checks rely on:
// a pitch read right for engine-like tones, none for silence and noise, and
// band levels that tell the sounds apart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "sound_analysis.h"

namespace {

constexpr int RATE = 44100;

// A tone of `harmonics` harmonics falling off as 1/k^rolloff.
std::vector<float> tone(double hz, int harmonics, double rolloff, double seconds = 0.1) {
    std::vector<float> v(size_t(seconds * RATE));
    for (size_t i = 0; i < v.size(); ++i)
        for (int k = 1; k <= harmonics; ++k)
            v[i] += float(0.3 * std::pow(k, -rolloff) * std::sin(2.0 * std::numbers::pi * k * hz * double(i) / RATE));
    return v;
}

TEST(Fundamental, IsReadWithinATenthOfAPercentForEngineLikeTones) {
    const struct {
        double hz;
        int harmonics;
        double rolloff;
    } cases[] = {
        {70.0, 1, 1.0}, {105.0, 14, 0.5}, {105.0, 14, 1.3}, {112.0, 14, 0.3}, {140.0, 8, 0.8}, {333.0, 3, 0.0},
    };
    for (const auto& c : cases) {
        const auto hz = demo::fundamentalHz(tone(c.hz, c.harmonics, c.rolloff), RATE, 40.0, 400.0);
        ASSERT_TRUE(hz.has_value()) << c.hz << " Hz with " << c.harmonics << " harmonics gave no pitch";
        EXPECT_NEAR(*hz, c.hz, 0.001 * c.hz) << c.harmonics << " harmonics, rolloff " << c.rolloff;
    }
}

TEST(Fundamental, IsNothingForSilenceNoiseOrAStretchTooShort) {
    std::vector<float> noise(4410);
    uint32_t s = 1;
    for (float& v : noise) v = float(int32_t(s = s * 1664525u + 1013904223u)) / 4.3e9f;
    EXPECT_FALSE(demo::fundamentalHz(std::vector<float>(4410, 0.0f), RATE, 40.0, 400.0));
    EXPECT_FALSE(demo::fundamentalHz(noise, RATE, 40.0, 400.0));
    EXPECT_FALSE(demo::fundamentalHz(tone(105.0, 3, 1.0, 0.02), RATE, 40.0, 400.0));
}

TEST(BandLevel, MeasuresASineInsideTheBandAndIgnoresItOutside) {
    const auto sine = tone(2600.0, 1, 1.0);  // amplitude 0.3
    EXPECT_NEAR(demo::bandLevel(sine, RATE, {2450.0, 2750.0}), 0.3 / std::sqrt(2.0), 0.01);
    EXPECT_LT(demo::bandLevel(sine, RATE, {3500.0, 6000.0}), 0.001);
    EXPECT_NEAR(demo::rmsLevel(sine), 0.3 / std::sqrt(2.0), 0.002);
}

}  // namespace

namespace {

// The audio output's disk file holds bare interleaved floats; the analysis
// reads it as mono.
TEST(RawRecording, IsReadAsTheMeanOfItsChannels) {
    const std::string path = ::testing::TempDir() + "raw-recording-test.raw";
    const float frames[][2] = {{0.5f, 0.25f}, {-1.0f, 1.0f}, {0.0f, -0.5f}};
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(frames, sizeof frames, 1, f);
        std::fclose(f);
    }
    const demo::Recording r = demo::readRawFloatRecording(path, 48000, 2);
    std::remove(path.c_str());
    EXPECT_EQ(r.rate, 48000);
    EXPECT_EQ(r.samples, (std::vector<float>{0.375f, 0.0f, -0.25f}));
    EXPECT_THROW(demo::readRawFloatRecording("/no/such/recording.raw", 48000, 2), std::runtime_error);
}

}  // namespace
