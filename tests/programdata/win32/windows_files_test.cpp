// What only Windows has: its own comparison of letters, device names that
// no folder lists, the separators it takes, names kept in its ANSI code
// page, and the player's folder from the shell.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "programdata/file_system.h"
#include "programdata/program_data.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

TEST(WindowsFiles, MatchLettersAsTheSystemDoesAndNeverReachADevice) {
    testing::TempFolder folder;
    folder.write("dsound/\xC3\x84rger.wav", "RIFF");  // Ärger.wav
    std::string backslashed = folder.path();
    for (char& c : backslashed) c = c == '/' ? '\\' : c;
    struct Case {
        std::string path;
        bool found;
    };
    for (const Case& c : {
             Case{folder.path() + "/DSOUND/\xC3\xA4RGER.WAV", true},   // ä for Ä, beyond A-Z
             Case{backslashed + "\\dsound\\\xC3\x84rger.wav", true},  // the system's own separator
             Case{folder.path() + "/dsound/COM1.wav", false},          // the serial port, never a file
             Case{folder.path() + "/dsound/nul", false},
             Case{folder.path() + "/dsound/*.wav", false},             // no wildcards
             Case{folder.path() + "/dsound/\xC3\x84rger.wav.", false}, // the system would cut the dot
         }) {
        EXPECT_EQ(fileda(c.path) > 0, c.found) << c.path;
    }
}

TEST(WindowsFiles, APickedNameIsKeptInTheAnsiCodePageWhereItFits) {
    if (::GetACP() != 1252) GTEST_SKIP() << "the rows are for the Western code page; this system has " << ::GetACP();
    const std::pair<std::string, std::string> cases[] = {
        {"Panzer-\xC3\x9C" "bung.wav", "Panzer-\xDC" "bung.wav"},      // Ü
        {"tank.wav", "tank.wav"},
        {"\xD0\xA2\xD0\xB0\xD0\xBD\xD0\xBA.wav", "\xD0\xA2\xD0\xB0\xD0\xBD\xD0\xBA.wav"},  // Cyrillic: stays UTF-8
    };
    for (const auto& [text, stored] : cases) {
        EXPECT_EQ(file_system::storedName(text), stored) << text;
        EXPECT_EQ(file_system::nameText(stored), text) << text;
    }
}

TEST(WindowsFiles, ThePlayersDataLivesInTheRoamingApplicationData) {
    const char* appData = std::getenv("APPDATA");
    ASSERT_NE(appData, nullptr);
    EXPECT_EQ(file_system::userDataHome(), appData);
}

}  // namespace
}  // namespace rumblet
