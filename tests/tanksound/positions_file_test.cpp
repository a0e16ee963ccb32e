// The positions file beside each engine sound: its name, its exact bytes,
// tolerant reading, and who reads and writes it when.
#include <gtest/gtest.h>

#include <filesystem>

#include "tanksound/positions_file.h"
#include "tanksound/sound_engine.h"
#include "sound/testing/test_waves.h"
#include "tests/programdata/support/file_situations.h"

namespace rumblet {
namespace {

using Positions = std::array<segment, 6>;

constexpr Positions SAMPLE{{{0, 1000}, {1000, 3000}, {3000, 5000}, {5000, 8000}, {8000, 9000}, {-9000, 12345}}};

std::string twelveLines(const Positions& p) {
    std::string text;
    for (const segment& s : p) {
        for (int32_t v : {s.start, s.end}) text += (v < 0 ? "" : " ") + std::to_string(v) + " \r\n";
    }
    return text;
}

std::u16string unicode(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(PositionsFile, ItsNameReplacesTheLastThreeCharactersByDat) {
    const std::pair<const char*, const char*> cases[] = {
        {"panzer1.wav", "panzer1.dat"}, {"PANZER1.WAV", "PANZER1.dat"}, {"tank.WAV", "tank.dat"},
        {"/prog/dsound/Tank.WAV", "/prog/dsound/Tank.dat"}, {"tank", "tdat"},
        {"abc", ""}, {"ab", ""}, {"", ""}, {"/prog/dsound/ab", ""}};
    for (auto [sound, positions] : cases) EXPECT_EQ(positionsPathFor(sound), positions) << sound;
}

TEST(PositionsFile, WritesTwelveNumberLinesByteForByte) {
    testing::TempFolder folder;
    writePositionsFile(folder.path() + "/tank.dat", SAMPLE);
    EXPECT_EQ(folder.read("tank.dat"), twelveLines(SAMPLE));
    EXPECT_EQ(folder.read("tank.dat").substr(0, 10), " 0 \r\n 1000");
}

TEST(PositionsFile, ReadsTheFirstTwelveNumbersHoweverTheyAreSeparated) {
    testing::TempFolder folder;
    struct Case {
        const char* what;
        std::string text;
        Positions expected;
    };
    const Case cases[] = {
        {"as written", twelveLines(SAMPLE), SAMPLE},
        {"LF only", "0\n1000\n1000\n3000\n3000\n5000\n5000\n8000\n8000\n9000\n-9000\n12345\n", SAMPLE},
        {"commas and blanks", "0, 1000,1000 ,  3000\r\n 3000   5000\t5000,8000\r\n8000,9000,-9000,12345", SAMPLE},
        {"more than twelve", twelveLines(SAMPLE) + " 77 \r\n 88 \r\n", SAMPLE},
        {"fewer than twelve", " 1 \r\n 2 \r\n 3 \r\n", {{{1, 2}, {3, 0}}}},
        {"text in it", "1\r\nabc\r\n3\r\n4x\r\n", {{{1, 0}, {3, 4}}}},
        {"empty", "", {}},
        {"binary", std::string("\0\xff\x01", 3), {}},
        {"a number too large for 32 bits", "1\r\n99999999999\r\n3\r\n", {{{1, INT32_MAX}, {3, 0}}}},
        {"a byte order mark", "\xEF\xBB\xBF" + twelveLines(SAMPLE), SAMPLE},
        {"UTF-16", testing::notepadUnicode(unicode(twelveLines(SAMPLE)), false), SAMPLE},
        {"UTF-16 big endian", testing::notepadUnicode(unicode(twelveLines(SAMPLE)), true), SAMPLE},
    };
    for (const Case& c : cases) {
        const std::string path = folder.write("tank.dat", c.text);
        Positions got;
        got.fill({-1, -1});
        readPositionsFile(path, got);
        for (size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(got[i].start, c.expected[i].start) << c.what << ", segment " << i;
            EXPECT_EQ(got[i].end, c.expected[i].end) << c.what << ", segment " << i;
        }
    }
}

class PositionsFiles : public ::testing::Test {
protected:
    testing::TempFolder folder;
    ProgramData data;
    void SetUp() override {
        data.programDir = folder.path();
        folder.folder("dsound");
        for (auto& c : data.controllers) c.enginesound.file = "leer";
    }
    controller& c(size_t n) { return data.controllers[n]; }
    // Gives controller n the engine sound `name` and puts the sound there.
    void engine(size_t n, const std::string& name) {
        c(n).enginesound.file = name;
        folder.write("dsound/" + name, "RIFF");
    }
    // The positions files (everything but the sounds) in the sound folder.
    size_t filesInSoundFolder() const {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path() + "/dsound")) {
            const std::string name = entry.path().filename().string();
            if (name.size() < 4 || !equalsNoCase(name.substr(name.size() - 4), ".wav")) ++count;
        }
        return count;
    }
};

TEST_F(PositionsFiles, PossaveWritesNothingForControllersWithoutEngineSound) {
    c(0).positions = SAMPLE;
    c(1).enginesound.file = "gone.wav";  // configured, but not there (nor is a folder a sound)
    c(1).positions = SAMPLE;
    c(2).enginesound.file = "folder.wav";
    folder.folder("dsound/folder.wav");
    possave(data);
    EXPECT_EQ(filesInSoundFolder(), 0u);
}

TEST_F(PositionsFiles, ControllersSharingAnEngineSoundEndWithTheHigherOnesPositions) {
    engine(1, "panzer.wav");
    c(1).positions = SAMPLE;
    c(3).enginesound.file = "panzer.wav";
    c(3).positions[1] = {111, 222};
    possave(data);
    posladen(data);
    EXPECT_EQ(c(1).positions[1].start, 111);
    EXPECT_EQ(c(1).positions[1].end, 222);
    EXPECT_EQ(c(1).positions[5].end, 0);
    EXPECT_EQ(filesInSoundFolder(), 1u);
}

TEST_F(PositionsFiles, ANewEngineSoundGetsZerosAndItsFileOnSave) {
    engine(2, "Tank.WAV");
    c(2).positions = SAMPLE;
    std::string path = folder.path() + "/dsound/Tank.WAV";
    posladenEditor(data, path, 2);
    EXPECT_EQ(path, folder.path() + "/dsound/Tank.dat") << "the editor's path becomes the positions path";
    for (const segment& s : c(2).positions) EXPECT_TRUE(s.start == 0 && s.end == 0);
    possave(data);
    EXPECT_EQ(folder.read("dsound/Tank.dat"), twelveLines({}));
}

TEST_F(PositionsFiles, PosladenSkipsLeerAndZeroesAMissingFile) {
    c(0).positions = SAMPLE;  // "leer": left alone
    c(1).enginesound.file = "missing.wav";
    c(1).positions = SAMPLE;  // no positions file: zeros
    c(2).enginesound.file = "TANK.wav";  // found as tank.DAT
    folder.write("dsound/tank.DAT", twelveLines(SAMPLE));
    posladen(data);
    EXPECT_EQ(c(0).positions[5].end, 12345);
    EXPECT_EQ(c(1).positions[3].end, 0);
    EXPECT_EQ(c(2).positions[3].end, 8000);
    possave(data);
    EXPECT_EQ(filesInSoundFolder(), 1u) << "the existing tank.DAT is rewritten, no second file beside it";
}

TEST_F(PositionsFiles, AnUnsafeEngineNameReadsAndWritesNothingOutsideTheSoundFolder) {
    folder.write("secret.dat", twelveLines(SAMPLE));
    const char* unsafe[] = {"../secret.wav", "sub/x.wav", "..\\secret.wav", ".."};
    for (const char* name : unsafe) {
        c(0).enginesound.file = name;
        c(0).positions = {};
        posladen(data);
        EXPECT_EQ(c(0).positions[0].end, 0) << name;
        possave(data);
    }
    EXPECT_EQ(folder.read("secret.dat"), twelveLines(SAMPLE));
    EXPECT_EQ(filesInSoundFolder(), 0u);
}

TEST_F(PositionsFiles, AShortEngineNameHasNoPositionsFile) {
    c(0).enginesound.file = "a";
    c(0).positions = SAMPLE;
    posladen(data);
    EXPECT_EQ(c(0).positions[0].end, 0) << "read like a missing file";
    c(0).positions = SAMPLE;
    possave(data);
    EXPECT_EQ(filesInSoundFolder(), 0u);
}

TEST_F(PositionsFiles, OneFileThatCannotBeWrittenDoesNotStopTheOthers) {
    engine(0, "blocked.wav");
    folder.folder("dsound/blocked.dat");  // a folder where the file should be
    engine(1, "fine.wav");
    c(1).positions = SAMPLE;
    try {
        possave(data);
        FAIL() << "the failed write was not reported";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("blocked.dat"), std::string::npos) << e.what();
    }
    EXPECT_EQ(folder.read("dsound/fine.dat"), twelveLines(SAMPLE));
}

// Positions belong to the sound file: an edit for one controller holds for
// every controller whose engine sound is the same file (letter case aside),
// and the file is written once.
TEST_F(PositionsFiles, AnEditHoldsForEveryControllerWithTheSameSound) {
    engine(0, "tank.wav");
    c(2).enginesound.file = "TANK.WAV";
    engine(3, "other.wav");
    EXPECT_EQ(sharingController(data, 2), 0);
    EXPECT_EQ(sharingController(data, 3), -1);
    c(2).positions = SAMPLE;
    sharePositions(data, 2);
    EXPECT_EQ(c(0).positions[5].end, 12345);
    EXPECT_EQ(c(3).positions[5].end, 0) << "another sound keeps its own";
    possave(data);
    EXPECT_EQ(filesInSoundFolder(), 2u) << "tank.dat once, other.dat";
    c(0).positions = {};
    posladen(data);
    EXPECT_EQ(c(0).positions[5].end, 12345);
}

// A positions file that cannot be read (here a folder) or that the user made
// read-only keeps its contents; each is named once, however many
// controllers share its sound, and the program's end will try again.
TEST_F(PositionsFiles, AFileThatCannotBeReadOrWrittenKeepsItsContentsAndIsNamedOnce) {
    for (size_t n = 0; n < 3; ++n) engine(n, "shared.wav");
    engine(3, "odd.wav");
    const std::string locked = folder.write("dsound/shared.dat", twelveLines(SAMPLE));
    std::filesystem::permissions(locked, std::filesystem::perms(0444));
    folder.folder("dsound/odd.dat");

    const auto problems = posladen(data);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(folder.path() + "/dsound/odd.dat"), std::string::npos) << problems[0];
    EXPECT_EQ(c(0).positions[5].end, 12345);
    try {
        possave(data);
        FAIL() << "the failures were not reported";
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.find(locked), text.rfind(locked)) << text;
        EXPECT_NE(text.find("schreibgeschützt"), std::string::npos) << text;
        EXPECT_NE(text.find("odd.dat"), std::string::npos) << text;
    }
    EXPECT_TRUE(data.positionsUnsaved);
    EXPECT_EQ(folder.read("dsound/shared.dat"), twelveLines(SAMPLE));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() + "/dsound/odd.dat"));
}

// A name with ".." inside is an ordinary name.
TEST_F(PositionsFiles, ANameWithTwoDotsInsideIsAnOrdinarySound) {
    engine(0, "tank..engine.wav");
    c(0).positions = SAMPLE;
    possave(data);
    EXPECT_EQ(folder.read("dsound/tank..engine.dat"), twelveLines(SAMPLE));
}

}  // namespace
}  // namespace rumblet
