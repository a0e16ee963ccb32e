// Setting up the sound device and loading the sound set from the sound
// folder, with the recording fake device.
#include <gtest/gtest.h>

#include "tanksound/sound_engine.h"
#include "tanksound/testing/recording_sound.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

void name(soundslot& slot, const std::string& file, int32_t volume) {
    slot.file = file;
    slot.volume = volume;
}

using testing::recorded;

class SoundLoading : public ::testing::Test {
protected:
    testing::TempFolder folder;
    std::shared_ptr<testing::SoundLog> log = std::make_shared<testing::SoundLog>();
    ProgramData data;

    void SetUp() override {
        data.programDir = folder.path();
        for (auto& c : data.controllers) c.enginesound.file = c.shotsound.file = c.turretsound.file = "leer";
        data.atmosound.file = "leer";
        data.directx = std::make_unique<testing::RecordingSoundSystem>(log);
        soundinit(data);
    }
    // A file of the sound set; the fake device does not read it.
    void put(const std::string& relative) { folder.write(relative, "RIFF"); }
};

TEST(SoundInit, MakesTheDeviceFromTheRootObjectInPlace) {
    auto log = std::make_shared<testing::SoundLog>();
    ProgramData data;
    data.directx = std::make_unique<testing::RecordingSoundSystem>(log);
    soundinit(data);
    EXPECT_TRUE(data.directsound);
    EXPECT_EQ(log->devicesCreated, 1);
}

TEST(SoundInit, AFailureGivesTheStartUpMessageWithNumberAndDescription) {
    auto log = std::make_shared<testing::SoundLog>();
    log->createFailure = SoundError(SOUND_ERROR_NO_OUTPUT, "audio output: no device");
    ProgramData data;
    data.directx = std::make_unique<testing::RecordingSoundSystem>(log);
    try {
        soundinit(data);
        FAIL() << "the failure was swallowed";
    } catch (const SoundError& e) {
        EXPECT_EQ(soundInitFailureText(e),
                  "Direct Sound Objekt konnte nicht initialisiert werden.\r\n"
                  "Pr\xC3\xBC" "fe ob eine SoundKarte installiert ist und ob sie funktioniert.\r"
                  "1/audio output: no device");
    }
    EXPECT_FALSE(data.directsound);
}

TEST_F(SoundLoading, LoadsEachCategoryFromItsFolderWhateverTheLetterCase) {
    put("DSOUND/panzer.WAV");
    put("DSOUND/schuss/panzer.WAV");  // the same name stands for another sound here
    put("DSOUND/TURM/turm.wav");
    put("DSOUND/Atmo/wind.wav");
    auto& c = data.controllers[1];
    name(c.enginesound, "panzer.wav", -300);
    name(c.shotsound, "PANZER.wav", -1500);
    name(c.turretsound, "turm.wav", -100);
    name(data.atmosound, "wind.wav", -2000);
    log->sounds["panzer.WAV"] = {.frequency = 22050, .bytes = 4000};

    EXPECT_TRUE(soundladen(data).empty());
    EXPECT_EQ(log->loads, (std::vector<std::string>{folder.path() + "/DSOUND/panzer.WAV",
                                                    folder.path() + "/DSOUND/schuss/panzer.WAV",
                                                    folder.path() + "/DSOUND/TURM/turm.wav",
                                                    folder.path() + "/DSOUND/Atmo/wind.wav"}));
    EXPECT_EQ(c.enginesound.basefrequency, 22050);
    EXPECT_EQ(log->actionsOn(c.enginesound.buffer.get()), (std::vector<std::string>{"SetVolume(-300)"}));
    EXPECT_EQ(recorded(c.shotsound)->volume(), -1500);
    EXPECT_EQ(recorded(c.turretsound)->volume(), -100);
    EXPECT_EQ(recorded(data.atmosound)->volume(), -2000);
    EXPECT_FALSE(recorded(c.shotsound)->playing()) << "nothing is played while loading";
    EXPECT_FALSE(data.controllers[0].enginesound.buffer) << "\"leer\" loads nothing";
}

TEST_F(SoundLoading, AFileThatIsGoneKeepsTheOldSound) {
    put("dsound/Schuss/bang.wav");
    data.controllers[0].shotsound.file = "bang.wav";
    soundladen(data);
    const SoundBuffer* old = data.controllers[0].shotsound.buffer.get();
    ASSERT_TRUE(old);

    data.controllers[0].shotsound.file = "nothere.wav";
    folder.folder("dsound/Turm/folder.wav");
    data.controllers[3].turretsound.file = "folder.wav";
    EXPECT_EQ(soundladen(data), std::vector<std::string>{"Sounddateien nicht gefunden:\nKontroller 1 Schuss: nothere.wav"
                                                         "\nKontroller 4 Turm: folder.wav"})
        << "every sound not found, in one message";
    EXPECT_EQ(data.controllers[0].shotsound.buffer.get(), old);
    data.controllers[0].shotsound.file = "LEER";
    soundladen(data);
    EXPECT_EQ(data.controllers[0].shotsound.buffer.get(), old);
}

TEST_F(SoundLoading, ADamagedFileKeepsTheOldSoundAndIsReportedByName) {
    put("dsound/panzer.wav");
    put("dsound/broken.wav");
    data.controllers[2].enginesound.file = "panzer.wav";
    soundladen(data);
    const SoundBuffer* old = data.controllers[2].enginesound.buffer.get();

    data.controllers[2].enginesound.file = "broken.wav";
    log->damagedFiles.insert("broken.wav");
    const auto problems = soundladen(data);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(folder.path() + "/dsound/broken.wav"), std::string::npos) << problems[0];
    EXPECT_EQ(data.controllers[2].enginesound.buffer.get(), old);
}

TEST_F(SoundLoading, AnUnsafeNameIsNoSound) {
    put("outside.wav");
    put("dsound/Schuss/inside.wav");
    const char* unsafe[] = {"../outside.wav", "../../outside.wav", "Schuss/inside.wav", "..\\outside.wav"};
    for (const char* name : unsafe) {
        data.controllers[0].enginesound.file = name;
        data.atmosound.file = name;
        EXPECT_EQ(soundladen(data), std::vector<std::string>{"Sounddateien nicht gefunden:\nKontroller 1 Panzersound: " +
                                                             std::string(name) + "\nBackround: " + name});
    }
    EXPECT_TRUE(log->loads.empty()) << log->loads.front();
}

TEST_F(SoundLoading, LoadsRealWaveFilesThroughTheMixerDevice) {
    data.directx = std::make_unique<OfflineSoundSystem>();
    soundinit(data);
    folder.folder("dsound");
    testing::writeWaveFile(folder.path() + "/dsound/panzer.wav", testing::sineWave(100, 11025, 11025, 0.5), 1, 11025);
    folder.write("dsound/fake.wav", "this is no wave file");
    data.controllers[0].enginesound.file = "panzer.wav";
    data.controllers[1].enginesound.file = "fake.wav";
    const auto problems = soundladen(data);
    EXPECT_EQ(data.controllers[0].enginesound.basefrequency, 11025);
    EXPECT_EQ(data.controllers[0].enginesound.buffer->GetBufferBytes(), 22050);
    EXPECT_FALSE(data.controllers[1].enginesound.buffer);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("fake.wav"), std::string::npos) << problems[0];
}

TEST(SoundLaden, WithoutADeviceLoadsNothingAndSaysSo) {
    ProgramData data;
    data.controllers[0].enginesound.file = "panzer.wav";
    EXPECT_EQ(soundladen(data).size(), 1u);
}

}  // namespace
}  // namespace rumblet
