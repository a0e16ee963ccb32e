// Where rumblet keeps IR.ini and dsound: beside itself, or in the player's
// own folder filled from the installed set.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "programdata/file_system.h"
#include "tanksound/data_folder.h"
#include "tanksound/positions_file.h"
#include "tanksound/settings_file.h"
#include "tanksound/sound_engine.h"
#include "tests/programdata/support/file_situations.h"

namespace rumblet {
namespace {

namespace fs = std::filesystem;

TEST(DataFolder, IsBesideAWritableCopyAndElseThePlayersOwn) {
    struct Case {
        const char* what;
        bool writable;
        const char* installedSet;
        const char* userDataHome;
        const char* folder;
        const char* fillFrom;
        bool problem;
    };
    for (const Case c : {
             Case{"build tree, portable copy", true, "", "/home/p/.local/share", "/prog", "", false},
             Case{"installed, run by root", true, "/usr/share/rumblet", "/root/.local/share",
                  "/root/.local/share/rumblet", "/usr/share/rumblet", false},
             Case{"installed", false, "/usr/share/rumblet", "/data", "/data/rumblet", "/usr/share/rumblet", false},
             Case{"unpacked on a read-only disk, installed on Windows", false, "", "/home/p/.local/share",
                  "/home/p/.local/share/rumblet", "/prog", false},
             Case{"no folder of one's own", false, "/s", "", "/s", "", true},
         }) {
        const DataFolderChoice choice = chooseDataFolder({"/prog", c.writable, c.installedSet, c.userDataHome});
        // The system's own separator joins the player's folder to its parent.
        EXPECT_TRUE(file_system::nativePath(choice.folder) == file_system::nativePath(c.folder))
            << c.what << ": " << choice.folder;
        EXPECT_EQ(choice.fillFrom, c.fillFrom) << c.what;
        EXPECT_EQ(!choice.problem.empty(), c.problem) << c.what;
    }
}

class DataFolderFill : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("data-folder-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        set = dir / "share" / "rumblet";
        fs::create_directories(set / "dsound" / "Schuss");
        fs::create_directories(dir / "bin");
        write(set / "IR.ini", "settings");
        write(set / "dsound" / "engine.wav", "engine");
        write(set / "dsound" / "engine.dat", "positions");
        write(set / "dsound" / "Schuss" / "shot.wav", "shot");
    }
    void TearDown() override { fs::remove_all(dir); }
    static void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::optional<std::string> read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return std::nullopt;
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir;
    fs::path set;
};

// The player copied a Windows set in as DSOUND before the first start, and
// the first start was cut short after the engine.
TEST_F(DataFolderFill, CompletesAnInterruptedFillOnceAndNeverReplacesThePlayersFiles) {
    const fs::path own = dir / "own";
    fs::create_directories(own / "DSOUND");
    write(own / "DSOUND" / "engine.wav", "the player's");

    fillDataFolder(own.string(), set.string());
    EXPECT_EQ(read(own / "IR.ini"), "settings");
    EXPECT_EQ(read(own / "DSOUND" / "engine.wav"), "the player's");
    EXPECT_EQ(read(own / "DSOUND" / "engine.dat"), "positions");
    EXPECT_EQ(read(own / "DSOUND" / "Schuss" / "shot.wav"), "shot");
    for (const fs::directory_entry& entry : fs::directory_iterator(own))
        EXPECT_NE(file_system::programPath(entry.path().filename()), "dsound")
            << "a second sound folder beside the player's";

    // Complete: what the player removes stays removed ...
    fs::remove(own / "DSOUND" / "Schuss" / "shot.wav");
    fillDataFolder(own.string(), set.string());
    EXPECT_FALSE(fs::exists(own / "DSOUND" / "Schuss" / "shot.wav"));
    // ... until the mark goes.
    fs::remove(own / FILLED_MARK);
    fillDataFolder(own.string(), set.string());
    EXPECT_EQ(read(own / "DSOUND" / "Schuss" / "shot.wav"), "shot");
}

TEST_F(DataFolderFill, AnInstalledCopyStartsInTheFilledUserFolderOrOnItsOwnSetWithAMessage) {
    std::optional<testing::UserDataHomeAt> home(std::in_place, (dir / "data").string());
    const DataFolder filled = prepareDataFolder((dir / "bin").string(), "../share/rumblet");
    EXPECT_EQ(filled.folder, (dir / "data" / "rumblet").string());
    EXPECT_EQ(filled.problem, "");
    EXPECT_EQ(read(dir / "data" / "rumblet" / "dsound" / "engine.wav"), "engine");

    // A file where the folder should be: no folder of one's own can be made.
    write(dir / "blocked", "");
    home.emplace((dir / "blocked").string());
    const DataFolder fallback = prepareDataFolder((dir / "bin").string(), "../share/rumblet");
    EXPECT_EQ(fallback.folder, fs::weakly_canonical(set).string());
    EXPECT_NE(fallback.problem.find((dir / "blocked" / "rumblet").string()), std::string::npos) << fallback.problem;
    EXPECT_NE(fallback.problem.find("nicht gespeichert"), std::string::npos) << fallback.problem;
    EXPECT_TRUE(fallback.readOnly);

    // A copy of the program without an installed set keeps all beside itself.
    EXPECT_EQ(prepareDataFolder((dir / "bin").string(), "../share/elsewhere").folder, (dir / "bin").string());
}

// Windows installs the set beside the program, in a folder the player may
// not write: the first start fills the player's folder from there.
TEST_F(DataFolderFill, ACopyInAFolderItCannotWriteFillsThePlayersFolderFromItsOwnSet) {
    const testing::UserDataHomeAt home((dir / "AppData").string());
    DataFolderFacts facts{set.string(), false, "", file_system::userDataHome()};
    const DataFolder filled = prepareDataFolder(facts);
    EXPECT_EQ(filled.problem, "");
    EXPECT_TRUE(fs::equivalent(filled.folder, dir / "AppData" / "rumblet")) << filled.folder;
    EXPECT_EQ(read(dir / "AppData" / "rumblet" / "IR.ini"), "settings");
    EXPECT_EQ(read(dir / "AppData" / "rumblet" / "dsound" / "Schuss" / "shot.wav"), "shot");

    facts.programDirWritable = true;  // a portable copy keeps all beside itself
    EXPECT_EQ(prepareDataFolder(facts).folder, set.string());
}

// Two copies on one folder: the one closed last would write its IR.ini
// over the other's edits.
TEST_F(DataFolderFill, ASecondCopyForTheSameFolderIsRefusedUntilTheFirstHasGone) {
    const DataFolderFacts portable{set.string(), true, "", ""};
    std::optional<DataFolder> first(prepareDataFolder(portable));
    try {
        prepareDataFolder(portable);
        ADD_FAILURE() << "a second copy started";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("rumblet läuft bereits mit den Einstellungen in " + set.string()),
                  std::string::npos)
            << e.what();
    }
    first.reset();
    EXPECT_EQ(prepareDataFolder(portable).problem, "");
}

TEST_F(DataFolderFill, AStartRemovesWhatAKilledSaveLeftBehindAndNothingElse) {
    const std::vector<fs::path> leftovers = {set / ".IR.ini.new-a1B2c3", set / "dsound" / "Schuss" / ".shot.wav.new-0f3e2d",
                                             set / ".IR.ini.old-0f3e2d"};
    const std::vector<fs::path> players = {set / "IR.ini.new-a1B2c3", set / ".IR.ini.new-a1B2c",
                                           set / ".IR.ini.new-a1B2c3.txt", set / "dsound" / ".new-a1B2c3",
                                           set / "dsound" / ".shot.wav.new-a1_2c3",
                                           // the only copy of a file whose replace was cut short
                                           set / "dsound" / ".gone.wav.old-0f3e2d"};
    for (const fs::path& file : leftovers) write(file, "left");
    for (const fs::path& file : players) write(file, "the player's");
    const DataFolder folder = prepareDataFolder({set.string(), true, "", ""});
    for (const fs::path& file : leftovers) EXPECT_FALSE(fs::exists(file)) << file;
    for (const fs::path& file : players) EXPECT_EQ(read(file), "the player's") << file;
    EXPECT_EQ(read(set / "IR.ini"), "settings");
}

// root without HOME: the installed set is the system's, and whatever it
// holds every new player's first start copies.
TEST_F(DataFolderFill, WithoutAFolderOfTheirOwnThePlayerRunsOnTheInstalledSetAndNothingWritesIt) {
    ProgramData named;
    named.controllers[0].enginesound.file = "engine.wav";
    write(set / "IR.ini", formatSettings(named, 1));
    const auto filesOfTheSet = [this] {
        std::map<fs::path, std::optional<std::string>> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(set)) files[entry.path()] = read(entry.path());
        return files;
    };
    const auto before = filesOfTheSet();

    const DataFolder folder = prepareDataFolder(DataFolderFacts{(dir / "bin").string(), false, set.string(), ""});
    EXPECT_TRUE(folder.readOnly);
    EXPECT_EQ(folder.problem, "Das System nennt keinen eigenen Ordner für Sie. rumblet startet mit dem Soundsatz in " +
                                  set.string() + "; Änderungen daran werden nicht gespeichert.");
    ProgramData data;
    data.programDir = folder.folder;
    data.readOnlyFolder = folder.readOnly;
    int16_t comport = 0;
    initladen(data, comport);
    posladen(data);
    // Nothing changed, nothing lost: not a word.
    EXPECT_NO_THROW(initsave(data, comport));
    EXPECT_NO_THROW(possave(data));

    data.controllers[0].enginesound.volume = -300;
    data.controllers[0].positions[FAHREN] = {10, 20};
    for (const char* save : {"the editor's close", "the program's close"}) {
        std::string told;
        try {
            initsave(data, comport);
            ADD_FAILURE() << save << ": IR.ini saved";
        } catch (const std::runtime_error& e) {
            told += e.what();
        }
        try {
            possave(data);
            ADD_FAILURE() << save << ": positions saved";
        } catch (const std::runtime_error& e) {
            told += e.what();
        }
        EXPECT_TRUE(data.positionsUnsaved) << save;
        if (told.empty()) continue;
        EXPECT_EQ(save, std::string("the editor's close")) << "named twice: " << told;
        EXPECT_NE(told.find("IR.ini (der Ordner wird in diesem Lauf nur gelesen)"), std::string::npos) << told;
        EXPECT_NE(told.find("engine.dat (der Ordner wird"), std::string::npos) << told;
    }
    EXPECT_EQ(filesOfTheSet(), before) << "nothing written, no lock, no new file";
}

}  // namespace
}  // namespace rumblet
