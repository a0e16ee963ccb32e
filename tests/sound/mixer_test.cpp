// The sound device's buffers on the real mixer, rendered offline: what each
// operation does to the sound and to the cursors.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>

#include "sound/mixer.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

using testing::leftChannel;
using testing::renderStereo;
using testing::sineWave;

constexpr int RATE = 48000;
constexpr size_t MS = RATE / 1000;  // frames per millisecond at the output rate

class MixerTest : public ::testing::Test {
protected:
    OfflineSoundSystem system{RATE};
    std::shared_ptr<Mixer> mixer = Mixer::create(RATE);

    // A mono 16-bit sound (2 bytes per frame).
    std::unique_ptr<SoundBuffer> buffer(std::vector<float> samples, int rate = RATE) {
        return mixer->createBuffer(std::make_shared<WaveData>(makeWave(std::move(samples), 1, rate, 2)));
    }
    std::vector<float> render(size_t frames) {
        std::vector<float> out(frames * MIXER_OUTPUT_CHANNELS);
        mixer->render(out.data(), frames);
        return out;
    }
    std::vector<float> renderLeft(size_t frames) { return leftChannel(render(frames)); }
    static int32_t cursor(const SoundBuffer& b) {
        int32_t play = -1, write = -1;
        b.GetCurrentPosition(play, write);
        EXPECT_EQ(play, write) << "the mixer takes nothing ahead of the play cursor";
        return play;
    }
};

TEST_F(MixerTest, ANewBufferStandsAtZeroSilentAtTheFilesRate) {
    auto b = buffer(sineWave(1000, 4800, 22050, 0.5), 22050);
    EXPECT_EQ(b->GetStatus(), 0);
    EXPECT_EQ(cursor(*b), 0);
    EXPECT_EQ(b->GetFrequency(), 22050);
    EXPECT_EQ(b->GetBufferBytes(), 4800 * 2);
    EXPECT_EQ(testing::peakAmplitude(renderLeft(10 * MS)), 0.0);
}

TEST_F(MixerTest, BufferPlayedOnceEndsSilentAndRewinds) {
    auto b = buffer(sineWave(1000, 100 * MS, RATE, 0.5));
    b->Play(PLAY_ONCE);
    const auto heard = renderLeft(80 * MS);
    EXPECT_GT(testing::peakAmplitude(heard), 0.45);
    const auto after = renderLeft(100 * MS);
    EXPECT_EQ(b->GetStatus(), 0) << "a buffer played once stops by itself at its end";
    EXPECT_EQ(cursor(*b), 0) << "and its position returns to 0";
    const std::vector<float> tail(after.begin() + static_cast<long>(21 * MS), after.end());
    EXPECT_EQ(testing::peakAmplitude(tail), 0.0);

    b->Play(PLAY_ONCE);
    render(10 * MS);
    EXPECT_EQ(cursor(*b), static_cast<int32_t>(10 * MS * 2)) << "the next Play starts from the beginning";
}

TEST_F(MixerTest, PlayOnAPlayingBufferGoesOnWithoutRestart) {
    auto b = buffer(sineWave(1000, 50 * MS, RATE, 0.5));
    b->Play(PLAY_ONCE);
    render(20 * MS);
    const int32_t before = cursor(*b);
    b->Play(PLAY_ONCE);
    EXPECT_EQ(cursor(*b), before);
    render(10 * MS);
    EXPECT_EQ(cursor(*b), before + static_cast<int32_t>(10 * MS * 2));

    b->Play(DSBPLAY_LOOPING);  // switches the running sound to looping
    render(60 * MS);
    EXPECT_NE(b->GetStatus(), 0) << "a looping buffer goes on past its end";
    EXPECT_EQ(cursor(*b), static_cast<int32_t>(40 * MS * 2));
}

TEST_F(MixerTest, StopKeepsThePositionAndPlayResumesThere) {
    auto b = buffer(sineWave(1000, 100 * MS, RATE, 0.5));
    b->Play(PLAY_ONCE);
    render(30 * MS);
    b->Stop();
    const int32_t stoppedAt = cursor(*b);
    EXPECT_EQ(stoppedAt, static_cast<int32_t>(30 * MS * 2));
    EXPECT_EQ(b->GetStatus(), 0);
    const auto after = renderLeft(20 * MS);
    EXPECT_EQ(cursor(*b), stoppedAt) << "the fade-out after Stop must not move the position";
    const std::vector<float> silent(after.begin() + static_cast<long>(5 * MS), after.end());
    EXPECT_EQ(testing::peakAmplitude(silent), 0.0);
    b->Play(PLAY_ONCE);
    render(10 * MS);
    EXPECT_EQ(cursor(*b), stoppedAt + static_cast<int32_t>(10 * MS * 2));
}

TEST_F(MixerTest, SetCurrentPositionActsAtOnceBlockAligned) {
    auto stereo = mixer->createBuffer(
        std::make_shared<WaveData>(makeWave(std::vector<float>(2 * RATE, 0.1f), 2, RATE, 2)));
    struct Case {
        int32_t set;
        int32_t reported;
    };
    const Case cases[] = {{1000, 1000}, {1003, 1000}, {-5, 0}, {4 * RATE + 400, 4 * RATE}};
    for (bool playing : {false, true}) {
        if (playing) stereo->Play(DSBPLAY_LOOPING);
        for (const Case& c : cases) {
            stereo->SetCurrentPosition(c.set);
            EXPECT_EQ(cursor(*stereo), c.reported) << "set " << c.set << (playing ? " while playing" : "");
        }
    }
    stereo->SetCurrentPosition(8000);
    render(10 * MS);
    EXPECT_EQ(cursor(*stereo), 8000 + static_cast<int32_t>(10 * MS * 4)) << "playing goes on from there";
}

// What the sound engine and the windows do to a sounding buffer; none of it
// may leave a step in the waveform larger than the material itself has.
TEST_F(MixerTest, NothingTheEngineDoesClicks) {
    const auto material = sineWave(1000, 200 * MS, RATE, 0.5);
    const double materialStep = testing::largestStep(material);
    constexpr size_t halfPeriod = MS / 2;  // 1 kHz: half a period is half a millisecond
    struct Case {
        const char* what;
        std::function<void(std::unique_ptr<SoundBuffer>&)> act;
    };
    const Case cases[] = {
        {"jump into the opposite phase", [](std::unique_ptr<SoundBuffer>& b) {
             int32_t play, write;
             b->GetCurrentPosition(play, write);
             b->SetCurrentPosition(play + static_cast<int32_t>(halfPeriod * 2 + 40 * MS * 2));
         }},
        {"shot restart: Stop, rewind, Play", [](std::unique_ptr<SoundBuffer>& b) {
             b->Stop();
             b->SetCurrentPosition(0 + static_cast<int32_t>(halfPeriod * 2));
             b->Play(PLAY_ONCE);
         }},
        {"two jumps before the next block", [](std::unique_ptr<SoundBuffer>& b) {
             b->SetCurrentPosition(static_cast<int32_t>(7 * halfPeriod * 2 + 1000));
             b->SetCurrentPosition(static_cast<int32_t>(3 * halfPeriod * 2 + 3000));
         }},
        {"stop", [](std::unique_ptr<SoundBuffer>& b) { b->Stop(); }},
        {"volume from full to silent", [](std::unique_ptr<SoundBuffer>& b) { b->SetVolume(SILENT_VOLUME); }},
        {"frequency down by a third", [](std::unique_ptr<SoundBuffer>& b) { b->SetFrequency(RATE * 2 / 3); }},
        {"release while playing (the editor's preview replaced)", [](std::unique_ptr<SoundBuffer>& b) { b.reset(); }},
        {"Stop, then release", [](std::unique_ptr<SoundBuffer>& b) {
             b->Stop();
             b.reset();
         }},
    };
    for (const Case& c : cases) {
        auto b = buffer(material);
        b->Play(DSBPLAY_LOOPING);
        auto out = renderLeft(23 * MS + 7);  // a cursor somewhere inside a period
        c.act(b);
        const auto more = renderLeft(30 * MS);
        out.insert(out.end(), more.begin(), more.end());
        const std::vector<float> around(out.end() - static_cast<long>(40 * MS), out.end());
        EXPECT_LE(testing::largestStep(around), 1.1 * materialStep) << c.what;
    }
}

// At the output's own rate the band-limited read gives back every sample
// of the sound unchanged: the kernel is centred on the cursor, so a jump
// lands on exactly the byte asked for and a loop goes on from frame 0.
TEST_F(MixerTest, JumpsAndLoopsLandOnTheExactSample) {
    std::vector<float> noise(50 * MS);
    uint32_t seed = 12345;
    for (float& x : noise) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / static_cast<float>(1 << 24) - 0.5f;
    }
    auto b = buffer(noise);
    b->Play(DSBPLAY_LOOPING);
    render(7 * MS);
    const size_t target = noise.size() - 3 * MS - 1;  // the loop's end comes 3 ms after the crossfade
    b->SetCurrentPosition(static_cast<int32_t>(target * 2));
    const auto out = renderLeft(20 * MS);
    for (size_t n = 5 * MS; n < out.size(); ++n) {
        const float expected = noise[(target + n) % noise.size()];
        ASSERT_NEAR(out[n], expected, 1e-6) << "output frame " << n << " after the jump";
    }
}

// A pitched sound keeps only its own tone: no image of the sound's rate
// (a 5 kHz tone at 22050 Hz played at 0.7) and no alias of a tone pushed
// above the output's Nyquist frequency (15 kHz played twice as fast).
TEST_F(MixerTest, PitchedSoundsBringNoImagesOrAliases) {
    auto windowed = [](std::vector<float> x) {  // Blackman, so no tone leaks into another's bin
        const double n = static_cast<double>(x.size());
        for (size_t i = 0; i < x.size(); ++i) {
            const double p = 2.0 * std::numbers::pi * static_cast<double>(i) / n;
            x[i] = static_cast<float>(x[i] * (0.42 - 0.5 * std::cos(p) + 0.08 * std::cos(2 * p)));
        }
        return x;
    };
    auto levelDb = [&](const std::vector<float>& heard, double hz) {
        const double reference = testing::tonePower(windowed(sineWave(hz, heard.size(), RATE, 0.5)), RATE, hz);
        return 10.0 * std::log10(testing::tonePower(windowed(heard), RATE, hz) / reference);
    };
    struct Case {
        int fileRate;
        double toneHz;
        int32_t playbackRate;
        double unwantedHz;
    };
    const Case cases[] = {{22050, 5000.0, 15435, (22050 - 5000.0) * 15435 / 22050},
                          {RATE, 15000.0, 2 * RATE, RATE - 30000.0}};
    for (const Case& c : cases) {
        auto b = buffer(sineWave(c.toneHz, static_cast<size_t>(c.fileRate), c.fileRate, 0.5), c.fileRate);
        b->SetFrequency(c.playbackRate);
        b->Play(DSBPLAY_LOOPING);
        render(20 * MS);
        const auto heard = renderLeft(200 * MS);
        EXPECT_LT(levelDb(heard, c.unwantedHz), -90.0) << c.toneHz << " Hz at " << c.fileRate << " Hz played at "
                                                      << c.playbackRate;
        const double wantedHz = c.toneHz * c.playbackRate / c.fileRate;
        if (wantedHz < RATE / 2) {
            EXPECT_GT(levelDb(heard, wantedHz), -0.5) << "the tone itself stays";
        }
    }
}

TEST_F(MixerTest, StartingInTheMiddleOfASoundFadesIn) {
    auto b = buffer(sineWave(1000, 100 * MS, RATE, 0.5));
    b->SetCurrentPosition(static_cast<int32_t>(MS / 4 * 2));  // at a crest of the sine
    b->Play(PLAY_ONCE);
    const auto out = renderLeft(10 * MS);
    EXPECT_LT(std::fabs(out[0]), 0.01) << "the first sample after Play starts near silence";
    EXPECT_LE(testing::largestStep(out), 1.1 * testing::largestStep(sineWave(1000, MS, RATE, 0.5)));
}

TEST_F(MixerTest, RenderedPitchFollowsSetFrequency) {
    constexpr int fileRate = 22050;
    const auto tone = sineWave(1000, fileRate, fileRate, 0.5);  // 1 s of 1 kHz at the file's rate
    struct Case {
        int32_t frequency;
        double expectedHz;
    };
    const Case cases[] = {{fileRate, 1000.0}, {33075, 1500.0}, {7350, 1000.0 / 3}, {11025 * 16 / 15, 1000.0 * 11760 / fileRate}};
    for (const Case& c : cases) {
        auto b = buffer(tone, fileRate);
        b->Play(DSBPLAY_LOOPING);
        render(5 * MS);
        b->SetFrequency(c.frequency);
        EXPECT_EQ(b->GetFrequency(), c.frequency);
        render(30 * MS);  // past the glide
        const double heard = testing::toneFrequency(renderLeft(500 * MS), RATE);
        EXPECT_NEAR(heard, c.expectedHz, 0.01 * c.expectedHz) << "SetFrequency(" << c.frequency << ")";
        b->Stop();
        render(10 * MS);
    }
}

TEST_F(MixerTest, VolumeInHundredthsOfADecibelScalesTheAmplitude) {
    struct Case {
        int32_t volume;
        double ratio;
        double tolerance;
    };
    const Case cases[] = {{FULL_VOLUME, 1.0, 0.01}, {-600, 0.5, 0.02}, {-2000, 0.1, 0.002},
                          {SILENT_VOLUME, 0.0, 0.0001}, {-20000, 0.0, 0.0001}, {500, 1.0, 0.01}};
    for (const Case& c : cases) {
        auto b = buffer(sineWave(1000, RATE, RATE, 0.8));
        b->Play(DSBPLAY_LOOPING);
        render(10 * MS);
        b->SetVolume(c.volume);
        render(10 * MS);  // past the ramp
        const double peak = testing::peakAmplitude(renderLeft(50 * MS));
        EXPECT_NEAR(peak / 0.8, c.ratio, c.tolerance) << "SetVolume(" << c.volume << ")";
        b->Stop();
        render(10 * MS);
    }
}

TEST_F(MixerTest, FrequencyZeroReturnsToTheFilesRateAndRatesAreHeldInRange) {
    auto b = buffer(sineWave(1000, 4800, 22050, 0.5), 22050);
    const std::pair<int32_t, int32_t> cases[] = {
        {8000, 8000}, {0, 22050}, {5, MIN_FREQUENCY_HZ}, {-300, MIN_FREQUENCY_HZ}, {900000, MAX_FREQUENCY_HZ}};
    for (auto [set, reported] : cases) {
        b->SetFrequency(set);
        EXPECT_EQ(b->GetFrequency(), reported) << "SetFrequency(" << set << ")";
    }
}

TEST_F(MixerTest, MonoPlaysOnBothSidesStereoKeepsItsSides) {
    auto mono = buffer(std::vector<float>(RATE, 0.25f));
    mono->Play(PLAY_ONCE);
    auto out = render(20 * MS);
    EXPECT_FLOAT_EQ(out[2 * 10 * MS], 0.25f);
    EXPECT_FLOAT_EQ(out[2 * 10 * MS + 1], 0.25f);
    mono->Stop();
    render(10 * MS);

    std::vector<float> sides;
    for (int i = 0; i < RATE; ++i) sides.insert(sides.end(), {0.5f, -0.25f});
    auto stereo = mixer->createBuffer(std::make_shared<WaveData>(makeWave(sides, 2, RATE, 2)));
    stereo->Play(PLAY_ONCE);
    out = render(20 * MS);
    EXPECT_FLOAT_EQ(out[2 * 10 * MS], 0.5f);
    EXPECT_FLOAT_EQ(out[2 * 10 * MS + 1], -0.25f);
}

TEST_F(MixerTest, TheMixIsHeldToFullScale) {
    std::vector<std::unique_ptr<SoundBuffer>> loud;
    for (int i = 0; i < 4; ++i) {
        loud.push_back(buffer(std::vector<float>(RATE, 0.9f)));
        loud.back()->Play(PLAY_ONCE);
    }
    const auto out = render(20 * MS);
    EXPECT_EQ(testing::peakAmplitude(out), 1.0);
}

TEST_F(MixerTest, RefusesASoundItCannotPlay) {
    EXPECT_THROW(mixer->createBuffer(std::make_shared<WaveData>(makeWave({}, 1, RATE, 2))), SoundError);
    EXPECT_THROW(mixer->createBuffer(std::make_shared<WaveData>(makeWave({0.1f}, 1, RATE, 0))), SoundError);
    EXPECT_THROW(mixer->createBuffer(std::make_shared<WaveData>(makeWave({0.1f, 0.2f, 0.3f}, 3, RATE, 2))), SoundError);
}

TEST_F(MixerTest, ABufferOutlivesTheDeviceThatMadeIt) {
    testing::TempFolder folder;
    const std::string path = folder.path() + "/atmo.wav";
    testing::writeWaveFile(path, sineWave(440, 4800, RATE, 0.5), 1, RATE);
    std::unique_ptr<SoundBuffer> b;
    {
        OfflineSoundSystem gone{RATE};
        b = gone.DirectSoundCreate()->CreateSoundBufferFromFile(path);
    }
    b->Play(DSBPLAY_LOOPING);
    EXPECT_NE(b->GetStatus(), 0);
    b->Stop();
}

// Buffers of one file share its decoded samples, each with its own cursor;
// a file changed on disk is decoded again and the old buffers keep theirs.
TEST_F(MixerTest, BuffersOfOneFileShareOneDecodeUntilTheFileChanges) {
    testing::TempFolder folder;
    const std::string path = folder.path() + "/engine.wav";
    testing::writeWaveFile(path, sineWave(440, 4800, RATE, 0.5), 1, RATE);
    auto device = system.DirectSoundCreate();
    auto first = device->CreateSoundBufferFromFile(path);
    auto second = device->CreateSoundBufferFromFile(folder.path() + "/./engine.wav");  // the same file
    ASSERT_NE(first->decodedSound(), nullptr);
    EXPECT_EQ(first->decodedSound(), second->decodedSound());
    second->SetCurrentPosition(2000);
    EXPECT_EQ(cursor(*first), 0);

    // The same size, only a later time: what a player's replaced file may look like.
    const auto written = std::filesystem::last_write_time(path);
    testing::writeWaveFile(path, sineWave(880, 4800, RATE, 0.5), 1, RATE);
    std::filesystem::last_write_time(path, written + std::chrono::seconds(1));
    auto changed = device->CreateSoundBufferFromFile(path);
    EXPECT_NE(changed->decodedSound(), first->decodedSound());
    EXPECT_NEAR(testing::toneFrequency(changed->decodedSound()->samples, RATE), 880, 1);
    EXPECT_NEAR(testing::toneFrequency(first->decodedSound()->samples, RATE), 440, 1);
}

}  // namespace
}  // namespace rumblet
