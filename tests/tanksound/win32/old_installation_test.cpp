// An IR.ini and a dsound folder copied from an old installation, whose
// names with umlauts are in the Western ANSI code page: found, shown as
// they were, and written back as the same bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include "programdata/file_system.h"
#include "sound/testing/test_waves.h"
#include "tanksound/positions_file.h"
#include "tanksound/settings_file.h"
#include "tanksound/sound_engine.h"
#include "tanksound/sound_paths.h"

namespace rumblet {
namespace {

TEST(OldInstallation, NamesInTheAnsiCodePageAreFoundShownAndWrittenBackAsTheyWere) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the old installation is a German one; this system has code page " << ::GetACP();
    testing::TempFolder folder;
    const std::string engine = "Motor-Gr\xF6\xDF" "e.wav";  // Motor-Größe.wav
    const std::string shot = "Kn\xE4" "ll.wav";              // Knäll.wav
    folder.write("dsound/Motor-Gr\xC3\xB6\xC3\x9F" "e.wav", "RIFF");
    folder.write("dsound/Schuss/Kn\xC3\xA4ll.wav", "RIFF");
    folder.write("IR.ini", engine + "\r\n-100 \r\n" + shot + "\r\n-200 \r\n");

    ProgramData data;
    data.programDir = folder.path();
    int16_t comport = 0;
    initladen(data, comport);
    ASSERT_EQ(data.controllers[0].enginesound.file, engine) << "the slot keeps the bytes";
    EXPECT_GT(fileda(soundPath(folder.path(), SoundCategory::Engine, engine)), 0);
    EXPECT_GT(fileda(soundPath(folder.path(), SoundCategory::Shot, shot)), 0);
    EXPECT_EQ(file_system::nameText(engine), "Motor-Gr\xC3\xB6\xC3\x9F" "e.wav") << "as the editor shows it";

    data.controllers[0].positions[5] = {7, 8};
    possave(data);
    EXPECT_EQ(folder.read("dsound/Motor-Gr\xC3\xB6\xC3\x9F" "e.dat").substr(50), " 7 \r\n 8 \r\n")
        << "the positions file is named as the sound is";
    initsave(data, 0);
    const std::string written = engine + "\r\n-100 \r\n" + shot + "\r\n-200 \r\n";
    EXPECT_EQ(folder.read("IR.ini").substr(0, written.size()), written);
}

}  // namespace
}  // namespace rumblet
