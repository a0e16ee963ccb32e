// The real output through SDL, on SDL's dummy and disk drivers (no sound
// card here), and the failure when no audio output can be opened.
#include <gtest/gtest.h>
#include <SDL.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sound/output_keeper.h"
#include "sound/sound_output.h"
#include "tanksound/sound_engine.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

using namespace std::chrono_literals;

class SdlOutputTest : public ::testing::Test {
protected:
    void TearDown() override {
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
    }
    testing::TempFolder folder;
    std::string tone() {
        const std::string path = folder.path() + "/tone.wav";
        testing::writeWaveFile(path, testing::sineWave(440, 22050, 22050, 0.5), 1, 22050);
        return path;
    }
};

TEST_F(SdlOutputTest, PlaysThroughTheDummyDriver) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto device = makeDefaultSoundSystem()->DirectSoundCreate();
    auto buffer = device->CreateSoundBufferFromFile(tone());
    buffer->Play(PLAY_ONCE);
    int32_t play = 0, write = 0;
    EXPECT_TRUE(testing::eventually([&] {
        buffer->GetCurrentPosition(play, write);
        return play > 0;
    })) << "the audio thread moves the play cursor";
    buffer->Stop();
}

TEST_F(SdlOutputTest, TheDiskDriverReceivesTheMix) {
    const std::string out = folder.path() + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    {
        auto device = makeDefaultSoundSystem()->DirectSoundCreate();
        auto buffer = device->CreateSoundBufferFromFile(tone());
        buffer->Play(DSBPLAY_LOOPING);
        constexpr std::uintmax_t enough = 64 * 1024;
        EXPECT_TRUE(testing::eventually([&] {
            std::error_code ignored;
            return std::filesystem::file_size(out, ignored) >= enough && !ignored;
        }));
        buffer.reset();
    }
    std::ifstream in(out, std::ios::binary);
    std::vector<float> mix(16 * 1024);
    in.read(reinterpret_cast<char*>(mix.data()), static_cast<std::streamsize>(mix.size() * sizeof(float)));
    EXPECT_NEAR(testing::peakAmplitude(mix), 0.5, 0.01) << "the tone arrives at its level";
}

// A headset unplugged or the sound server restarted, with a fake output:
// told once, then a new output every OUTPUT_REOPEN_EVERY_CHECKS checks
// until one opens.
TEST(OutputKeeper, ALostOutputIsToldOnceAndOpenedAgainLater) {
    struct FakeOutput : AudioOutput {
        explicit FakeOutput(std::shared_ptr<bool> gone) : gone_(std::move(gone)) {}
        bool removed() override { return *gone_; }
        std::shared_ptr<bool> gone_;
    };
    auto gone = std::make_shared<bool>(false);
    int opened = 0;
    bool serverUp = true;
    OutputKeeper keeper([&]() -> std::unique_ptr<AudioOutput> {
        if (!serverUp) throw SoundError(SOUND_ERROR_NO_OUTPUT, "no server");
        ++opened;
        *gone = false;
        return std::make_unique<FakeOutput>(gone);
    });
    EXPECT_EQ(keeper.check(), "");
    *gone = true;
    serverUp = false;
    EXPECT_EQ(keeper.check(), SOUND_OUTPUT_LOST_TEXT);
    EXPECT_FALSE(keeper.hasOutput());
    for (int i = 0; i < 2 * OUTPUT_REOPEN_EVERY_CHECKS; ++i) EXPECT_EQ(keeper.check(), "") << "told only once";
    serverUp = true;
    for (int i = 0; i < OUTPUT_REOPEN_EVERY_CHECKS - 1; ++i) keeper.check();
    EXPECT_EQ(opened, 1) << "not opened at every check";
    keeper.check();
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(keeper.hasOutput());
    *gone = true;
    EXPECT_EQ(keeper.check(), SOUND_OUTPUT_LOST_TEXT) << "a second loss is told again";
}

// The same through SDL: its device-removed event closes the output, the
// buffers stand still meanwhile, and the sound goes on with a new output.
TEST_F(SdlOutputTest, SoundComesBackAfterSdlRemovedTheDevice) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto device = makeDefaultSoundSystem()->DirectSoundCreate();
    auto buffer = device->CreateSoundBufferFromFile(tone());
    buffer->Play(DSBPLAY_LOOPING);
    auto cursor = [&] {
        int32_t play = 0, write = 0;
        buffer->GetCurrentPosition(play, write);
        return play;
    };
    const int32_t start = cursor();
    ASSERT_TRUE(testing::eventually([&] { return cursor() != start; }));
    EXPECT_EQ(device->checkOutput(), "");
    // The event as SDL sends it; device numbers are small, and only the
    // output's own counts.
    for (Uint32 id = 1; id < 16; ++id) {
        SDL_Event removed{};
        removed.type = SDL_AUDIODEVICEREMOVED;
        removed.adevice.which = id;
        SDL_PushEvent(&removed);
    }
    EXPECT_EQ(device->checkOutput(), SOUND_OUTPUT_LOST_TEXT);
    const int32_t stoodAt = cursor();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(cursor(), stoodAt) << "nothing renders without an output";
    EXPECT_NE(buffer->GetStatus(), 0) << "the buffer still plays for the sound decisions";
    for (int i = 0; i < OUTPUT_REOPEN_EVERY_CHECKS; ++i) EXPECT_EQ(device->checkOutput(), "");
    EXPECT_TRUE(testing::eventually([&] { return cursor() != stoodAt; })) << "sound goes on with a new output";
}

TEST_F(SdlOutputTest, NoAudioOutputFailsWithSdlsReason) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ProgramData data;
    data.directx = makeDefaultSoundSystem();
    try {
        soundinit(data);
        FAIL() << "opened an output that does not exist";
    } catch (const SoundError& e) {
        EXPECT_EQ(e.code(), SOUND_ERROR_NO_OUTPUT);
        EXPECT_FALSE(std::string(e.what()).empty());
        const std::string text = soundInitFailureText(e);
        EXPECT_NE(text.find(std::to_string(SOUND_ERROR_NO_OUTPUT) + "/" + e.what()), std::string::npos) << text;
    }
    EXPECT_TRUE(data.directx) << "the root object is kept, as when the device fails";
    EXPECT_FALSE(data.directsound);
}

}  // namespace
}  // namespace rumblet
