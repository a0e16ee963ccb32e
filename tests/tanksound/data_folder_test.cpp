// Where rumblet keeps IR.ini and dsound: beside itself, or in the player's
// own folder filled from the installed set.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "programdata/file_system.h"
#include "tanksound/data_folder.h"
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
    EXPECT_NE(fallback.problem.find("cannot be saved"), std::string::npos) << fallback.problem;

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

}  // namespace
}  // namespace rumblet
