// The file test shared by both windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "programdata/program_data.h"

namespace rumblet {
namespace {

namespace fs = std::filesystem;

class FiledaTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("fileda-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir / "dsound" / "Schuss");
        std::ofstream(dir / "dsound" / "Tank.WAV") << "RIFF";
        std::ofstream(dir / "dsound" / "Schuss" / "bang.wav") << "RIFF";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string at(const std::string& rest) const { return (dir / rest).string(); }

    fs::path dir;
};

TEST_F(FiledaTest, GivesTheLengthOfTheFoundNameOrZero) {
    struct Case {
        const char* path;
        int16_t result;
    };
    for (const Case c : {
             Case{"dsound/Tank.WAV", 8},          // exact name
             Case{"dsound/tank.wav", 8},          // another letter case
             Case{"DSOUND/schuss/BANG.WAV", 8},   // folders in another case too
             Case{"dsound/missing.wav", 0},
             Case{"dsound/Schuss", 0},            // a folder is no file
             Case{"nowhere/Tank.WAV", 0},
         }) {
        EXPECT_EQ(fileda(at(c.path)), c.result) << c.path;
    }
}

}  // namespace
}  // namespace rumblet
