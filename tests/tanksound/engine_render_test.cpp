// A whole run of one tank heard through the real mixer, offline: the sound
// set is loaded from files like at start-up, the frames drive the sound
// decisions, and the rendered sound shows which engine segment plays at
// which pitch.
#include <gtest/gtest.h>

#include <cmath>

#include "tanksound/sound_engine.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

constexpr int OUTPUT_RATE = 48000;
constexpr int BASE = 11025;
constexpr int SEGMENT_FRAMES = BASE / 5;  // 0.2 s per segment
constexpr int BYTES_PER_FRAME = 2;        // 16-bit mono
constexpr double TONES[6] = {200, 300, 400, 500, 600, 700};  // one tone per engine segment
constexpr size_t FRAME_GAP = OUTPUT_RATE / 50;                // an IR frame every 20 ms

// The engine sound: six segments of one tone each; the last fades to
// silence like a real engine stop.
std::vector<float> engineSound() {
    std::vector<float> samples;
    for (double tone : TONES) {
        const auto seg = testing::sineWave(tone, SEGMENT_FRAMES, BASE, 0.5);
        samples.insert(samples.end(), seg.begin(), seg.end());
    }
    constexpr int fade = BASE / 50;
    for (int i = 0; i < fade; ++i) samples[samples.size() - 1 - i] *= static_cast<float>(i) / fade;
    return samples;
}

std::string positionsText() {
    std::string text;
    for (int k = 0; k < 6; ++k) {
        const int start = k * SEGMENT_FRAMES * BYTES_PER_FRAME;
        text += " " + std::to_string(start) + " \r\n " +
                std::to_string(start + (SEGMENT_FRAMES - 1) * BYTES_PER_FRAME) + " \r\n";
    }
    return text;
}

class EngineRun : public ::testing::Test {
protected:
    testing::TempFolder folder;
    ProgramData data;
    OfflineSoundSystem* output = nullptr;
    std::array<int16_t, 18> bits{};
    std::vector<float> heard;  // everything rendered, left channel
    controller& tank = data.controllers[2];

    void SetUp() override {
        data.programDir = folder.path();
        folder.folder("dsound");
        testing::writeWaveFile(folder.path() + "/dsound/Panzer.wav", engineSound(), 1, BASE);
        folder.write("dsound/Panzer.dat", positionsText());
        std::string ini;
        for (int n = 0; n < CONTROLLER_COUNT; ++n)
            ini += (n == 2 ? "Panzer.wav" : "leer") + std::string("\r\n 0 \r\nleer\r\n 0 \r\nleer\r\n 0 \r\n");
        folder.write("IR.ini", ini + "leer\r\n 0 \r\n 0 \r\n");

        auto system = std::make_unique<OfflineSoundSystem>(OUTPUT_RATE);
        output = system.get();
        data.directx = std::move(system);
        soundinit(data);
        int16_t comport = 0;
        initladen(data, comport);
        ASSERT_TRUE(soundladen(data).empty());
        posladen(data);
        ASSERT_TRUE(tank.enginesound.buffer);
    }

    // Frames of the tank, one every 20 ms, for `ms` milliseconds.
    void frames(int16_t speed1, int ms) {
        for (int t = 0; t < ms; t += 20) {
            tank.speed1 = speed1;
            soundauswerten(data, bits, 2);
            listen(FRAME_GAP);
        }
    }
    void listen(size_t outputFrames) {
        const auto block = testing::leftChannel(testing::renderStereo(*output, outputFrames));
        heard.insert(heard.end(), block.begin(), block.end());
    }
    // The segment whose tone at `pitch` times its own rate is strongest in
    // the last `ms` milliseconds; -1 when that tone is stronger still at
    // `otherPitch`, so the right segment plays at the wrong pitch.
    int segmentHeard(int ms, double pitch, double otherPitch) const {
        const std::vector<float> window(heard.end() - ms * OUTPUT_RATE / 1000, heard.end());
        auto power = [&](int k, double p) { return testing::tonePower(window, OUTPUT_RATE, TONES[k] * p); };
        int best = 0;
        for (int k = 1; k < 6; ++k)
            if (power(k, pitch) > power(best, pitch)) best = k;
        return power(best, pitch) > power(best, otherPitch) ? best : -1;
    }
};

TEST_F(EngineRun, StartIdleDriveBrakeIdleStop) {
    constexpr double driving = 9188.0 / BASE;  // S = 15 on an "Old" controller
    constexpr double base = 1.0;
    struct Stretch {
        const char* what;
        int16_t speed1;
        int ms;        // frames for this long
        int windowMs;  // then listen to the last of it
        double pitch, otherPitch;
        int segment;
    };
    const Stretch run[] = {
        {"the start plays from the beginning", 0, 100, 80, base, driving, MOTORSTART},
        {"the idle loop keeps coming round", 0, 1000, 100, base, driving, MOTORLEERLAUFSTART},
        {"moving off, pitched by the speed", 15, 100, 80, driving, base, BESCHLEUNIGEN},
        {"the driving loop keeps coming round", 15, 800, 100, driving, base, FAHREN},
        {"braking keeps the last driving pitch", 0, 100, 80, driving, base, BREMSEN},
        {"back to idle at the base pitch", 0, 600, 100, base, driving, MOTORLEERLAUFSTART},
    };
    enginestart(data, 2);
    for (const Stretch& s : run) {
        frames(s.speed1, s.ms);
        EXPECT_EQ(segmentHeard(s.windowMs, s.pitch, s.otherPitch), s.segment) << s.what;
    }
    enginestop(data, 2);
    listen(OUTPUT_RATE / 10);
    EXPECT_EQ(segmentHeard(80, base, driving), MOTORSTOP) << "the watchdog's engine stop";
    listen(OUTPUT_RATE / 2);
    EXPECT_EQ(tank.enginesound.buffer->GetStatus(), 0) << "the stop runs to the end and falls silent";
    const std::vector<float> last(heard.end() - OUTPUT_RATE / 10, heard.end());
    EXPECT_EQ(testing::peakAmplitude(last), 0.0);

    // Every segment change and loop jump is crossfaded: no step beyond what
    // the highest tone has at the highest pitch, with the fade's own slope.
    const double toneStep = 0.5 * 2.0 * M_PI * TONES[5] / OUTPUT_RATE;
    EXPECT_LE(testing::largestStep(heard), 1.25 * toneStep);
}

}  // namespace
}  // namespace rumblet
