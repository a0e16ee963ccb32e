// The Windows program's sound output as the program makes it: the file and
// silent outputs selected by the same variables as on Linux, the system's
// own audio output where there is one, and a clear failure where there is
// none (Wine on a machine without sound card offers no output device).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "sound/mixer.h"
#include "sound/sound_output.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

std::wstring wide(const std::string& utf8) {
    const std::filesystem::path path = std::filesystem::u8path(utf8);
    return path.wstring();
}

class WindowsOutputTest : public ::testing::Test {
protected:
    void SetUp() override { SetEnvironmentVariableW(L"SDL_DISKAUDIOFILE", nullptr); }
    void TearDown() override {
        SetEnvironmentVariableW(L"SDL_AUDIODRIVER", nullptr);
        SetEnvironmentVariableW(L"SDL_DISKAUDIOFILE", nullptr);
    }
    void useDriver(const wchar_t* driver) { SetEnvironmentVariableW(L"SDL_AUDIODRIVER", driver); }
    std::string tone() {
        const std::string path = folder.path() + "/tone.wav";
        testing::writeWaveFile(path, testing::sineWave(440, 22050, 22050, 0.5), 1, 22050);
        return path;
    }
    int32_t cursor(const SoundBuffer& buffer) {
        int32_t play = 0, write = 0;
        buffer.GetCurrentPosition(play, write);
        return play;
    }
    testing::TempFolder folder;
};

// The file is named in the environment in UTF-8 terms that the ANSI code
// page cannot hold; the raw stereo floats arrive at the tone's level.
TEST_F(WindowsOutputTest, TheDiskDriverWritesTheMixToTheFileNamed) {
    const std::string out = folder.path() + "/Ausgabe \xCE\xA9.raw";  // Ausgabe Ω.raw
    useDriver(L"disk");
    SetEnvironmentVariableW(L"SDL_DISKAUDIOFILE", wide(out).c_str());
    {
        auto device = makeDefaultSoundSystem()->DirectSoundCreate();
        auto buffer = device->CreateSoundBufferFromFile(tone());
        buffer->Play(DSBPLAY_LOOPING);
        EXPECT_TRUE(testing::eventually([&] {
            std::error_code ignored;
            return std::filesystem::file_size(std::filesystem::u8path(out), ignored) >= 64 * 1024 && !ignored;
        }));
        EXPECT_EQ(device->checkOutput(), "");
    }
    std::ifstream in(std::filesystem::u8path(out), std::ios::binary);
    std::vector<float> mix(16 * 1024);
    in.read(reinterpret_cast<char*>(mix.data()), static_cast<std::streamsize>(mix.size() * sizeof(float)));
    EXPECT_NEAR(testing::peakAmplitude(mix), 0.5, 0.01) << "the tone arrives at its level";
    EXPECT_EQ(testing::leftChannel(mix), testing::leftChannel({mix.begin() + 1, mix.end()}))
        << "a mono sound plays alike on both sides";
}

TEST_F(WindowsOutputTest, TheDummyDriverPlaysSilently) {
    useDriver(L"dummy");
    auto device = makeDefaultSoundSystem()->DirectSoundCreate();
    auto buffer = device->CreateSoundBufferFromFile(tone());
    buffer->Play(PLAY_ONCE);
    EXPECT_TRUE(testing::eventually([&] { return cursor(*buffer) > 0; })) << "the audio thread moves the play cursor";
}

TEST_F(WindowsOutputTest, AnUnknownDriverIsNoOutput) {
    useDriver(L"no-such-driver");
    try {
        makeDefaultSoundSystem()->DirectSoundCreate();
        FAIL() << "opened an output that does not exist";
    } catch (const SoundError& e) {
        EXPECT_EQ(e.code(), SOUND_ERROR_NO_OUTPUT);
        EXPECT_NE(std::string(e.what()).find("no-such-driver"), std::string::npos) << e.what();
    }
}

// The system's audio: it plays where an output device exists, or fails
// with the system's reason, which the start-up message shows.
TEST_F(WindowsOutputTest, TheSystemsOutputPlaysOrSaysWhyNot) {
    std::unique_ptr<SoundDevice> device;
    try {
        device = makeDefaultSoundSystem()->DirectSoundCreate();
    } catch (const SoundError& e) {
        EXPECT_EQ(e.code(), SOUND_ERROR_NO_OUTPUT);
        EXPECT_GT(std::string(e.what()).size(), std::string("audio output: ").size()) << e.what();
        GTEST_SKIP() << "no output device here: " << e.what();
    }
    auto buffer = device->CreateSoundBufferFromFile(tone());
    buffer->Play(DSBPLAY_LOOPING);
    const int32_t start = cursor(*buffer);
    EXPECT_TRUE(testing::eventually([&] { return cursor(*buffer) != start; })) << "the device takes the mix";
    EXPECT_EQ(device->checkOutput(), "");
}

}  // namespace
}  // namespace rumblet
