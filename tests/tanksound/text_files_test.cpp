// IR.ini and the shared number format: exact bytes written, tolerant
// reading, and writes that never lose the old file.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <filesystem>
#include <optional>
#include <sstream>

#include "programdata/file_system.h"
#include "programdata/replace_file.h"
#include "tanksound/settings_file.h"
#include "tanksound/sound_engine.h"
#include "sound/testing/test_waves.h"
#include "programdata/text_values.h"
#include "tests/programdata/support/file_situations.h"

namespace rumblet {
namespace {

void name(soundslot& slot, const std::string& file, int32_t volume) {
    slot.file = file;
    slot.volume = volume;
}

TEST(NumberFormat, IsASignOrBlankTheDigitsAndOneBlank) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, " 0 \r\n"}, {-1500, "-1500 \r\n"}, {2, " 2 \r\n"}, {123456, " 123456 \r\n"},
        {INT32_MAX, " 2147483647 \r\n"}, {INT32_MIN, "-2147483648 \r\n"}};
    for (auto [value, line] : cases) EXPECT_EQ(formatNumberLine(value), line) << value;
}

TEST(NumberFormat, ReadsTheLeadingNumberAndZeroForAnythingElse) {
    const std::pair<const char*, int32_t> cases[] = {
        {" 5 ", 5},        {"-1500 ", -1500},        {"  12,3", 12},          {"\t7", 7},
        {"+8", 8},         {"12abc", 12},            {"abc", 0},              {"", 0},
        {"-", 0},          {" - 3", 0},              {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        // Beyond 32 bits: the nearest end, so a muted sound stays muted.
        {"2147483648", INT32_MAX}, {"99999999999999999999", INT32_MAX},
        {"-2147483649", INT32_MIN}, {"-99999999999", INT32_MIN}};
    for (auto [text, value] : cases) EXPECT_EQ(parseLeadingNumber(text), value) << '"' << text << '"';
}

TEST(NumberFormat, ATextValueEndsAtTheFirstCommaWithoutItsBlanks) {
    const std::pair<const char*, const char*> cases[] = {
        {"panzer1.wav", "panzer1.wav"}, {"  panzer 1.wav  ", "panzer 1.wav"},
        {"a,b.wav", "a"},               {",x", ""}, {"", ""}};
    for (auto [line, text] : cases) EXPECT_EQ(textField(line), text) << '"' << line << '"';
}

TEST(NumberFormat, LinesEndAtCrLfLfOrCr) {
    std::istringstream in("one\r\ntwo\nthree\rfour\r\n\r\nlast");
    LineReader lines(in);
    std::vector<std::string> got;
    for (std::string line; lines.next(line);) got.push_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"one", "two", "three", "four", "", "last"}));
}

class SettingsFile : public ::testing::Test {
protected:
    testing::TempFolder folder;
    ProgramData data;
    int16_t comport = 0;

    void SetUp() override { data.programDir = folder.path(); }

    void fill() {
        for (int n = 0; n < CONTROLLER_COUNT; ++n) {
            auto& c = data.controllers[static_cast<size_t>(n)];
            name(c.enginesound, "panzer" + std::to_string(n) + ".wav", -100 * n);
            name(c.shotsound, "Schuss.WAV", -1500);
            name(c.turretsound, "leer", 0);
        }
        name(data.atmosound, "wind.wav", -2000);
    }
};

TEST_F(SettingsFile, InitsaveWritesTheTwentySevenValuesByteForByte) {
    fill();
    initsave(data, 2);
    std::string expected;
    for (int n = 0; n < CONTROLLER_COUNT; ++n) {
        expected += "panzer" + std::to_string(n) + ".wav\r\n";
        expected += (n == 0 ? " 0 \r\n" : "-" + std::to_string(100 * n) + " \r\n");
        expected += "Schuss.WAV\r\n-1500 \r\nleer\r\n 0 \r\n";
    }
    expected += "wind.wav\r\n-2000 \r\n 2 \r\n";
    EXPECT_EQ(folder.read("IR.ini"), expected);
}

TEST_F(SettingsFile, ReadsBackWhatItWrote) {
    fill();
    initsave(data, 1);
    ProgramData back;
    back.programDir = folder.path();
    initladen(back, comport);
    EXPECT_EQ(comport, 1);
    for (size_t n = 0; n < CONTROLLER_COUNT; ++n) {
        EXPECT_EQ(back.controllers[n].enginesound.file, data.controllers[n].enginesound.file);
        EXPECT_EQ(back.controllers[n].enginesound.volume, data.controllers[n].enginesound.volume);
        EXPECT_EQ(back.controllers[n].shotsound.file, "Schuss.WAV");
        EXPECT_EQ(back.controllers[n].shotsound.volume, -1500);
        EXPECT_EQ(back.controllers[n].turretsound.file, "leer");
    }
    EXPECT_EQ(back.atmosound.file, "wind.wav");
    EXPECT_EQ(back.atmosound.volume, -2000);
}

TEST_F(SettingsFile, MissingShortOrDamagedFilesGiveDefaultsForWhatIsMissing) {
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::optional<std::string> content;  // none: no file at all
        std::string engine0;
        int32_t volume0;
    };
    const Case cases[] = {
        {"no file", std::nullopt, "leer", 0},
        {"an empty file", "", "leer", 0},
        {"three lines", "tank.wav\r\n-300 \r\nshot.wav\r\n", "tank.wav", -300},
        {"binary garbage", "\x01\xff\0\x7f\r\n\xfe\0"s, "leer", 0},
        {"text where numbers belong", "tank.wav\r\nloud\r\n", "tank.wav", 0},
        {"an empty name", "\r\n-300 \r\n", "leer", -300},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(folder.path() + "/IR.ini");
        if (c.content) folder.write("IR.ini", *c.content);
        data.unreadableFiles.clear();  // each case is a run of its own
        data.atmosound.file = "old.wav";
        comport = 2;
        initladen(data, comport);
        EXPECT_EQ(data.controllers[0].enginesound.file, c.engine0) << c.what;
        EXPECT_EQ(data.controllers[0].enginesound.volume, c.volume0) << c.what;
        EXPECT_EQ(data.controllers[3].turretsound.file, "leer") << c.what;
        EXPECT_EQ(data.atmosound.file, "leer") << c.what;
        EXPECT_EQ(comport, 0) << c.what;
    }
}

TEST_F(SettingsFile, ReadsLfLineEndsBlanksAndExtraValues) {
    std::string text = " tank.wav , extra\n  -1500 , 7\n";
    for (int line = 3; line <= 26; ++line) text += line % 2 ? "x.wav\n" : "-1\n";
    text += "  2 ,1\n";
    folder.write("IR.ini", text);
    initladen(data, comport);
    EXPECT_EQ(data.controllers[0].enginesound.file, "tank.wav");
    EXPECT_EQ(data.controllers[0].enginesound.volume, -1500);
    EXPECT_EQ(data.atmosound.volume, -1);
    EXPECT_EQ(comport, 2);
}

// A comma ends a name when it is read; a line break is not written. Either
// way the values after the name stay on their lines.
TEST_F(SettingsFile, ANameThatCannotBeStoredWholeShiftsNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"panzer,neu.wav", "panzer"}, {"two\nlines.wav", "two"}, {"two\rlines.wav", "two"}};
    for (auto [stored, readBack] : cases) {
        fill();
        data.controllers[0].enginesound.file = stored;
        initsave(data, 2);
        initladen(data, comport);
        EXPECT_EQ(data.controllers[0].enginesound.file, readBack) << stored;
        EXPECT_EQ(data.controllers[0].enginesound.volume, 0) << stored;
        EXPECT_EQ(data.controllers[0].shotsound.file, "Schuss.WAV") << stored;
        EXPECT_EQ(comport, 2) << stored;
    }
}

TEST_F(SettingsFile, APortOtherThanOneOrTwoIsKeptAsReadAndOutOfRangeIsNone) {
    const std::pair<const char*, int16_t> cases[] = {{" 3 ", 3}, {"-1", -1}, {"70000", 0}, {"COM1", 0}};
    for (auto [line, port] : cases) {
        std::string text;
        for (int i = 0; i < 26; ++i) text += i % 2 ? " 0 \r\n" : "leer\r\n";
        folder.write("IR.ini", text + line + "\r\n");
        initladen(data, comport);
        EXPECT_EQ(comport, port) << line;
    }
}

TEST_F(SettingsFile, IsFoundAndRewrittenWhateverItsLetterCase) {
    folder.write("ir.INI", "tank.wav\r\n");
    initladen(data, comport);
    EXPECT_EQ(data.controllers[0].enginesound.file, "tank.wav");
    initsave(data, 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/IR.ini") &&
                 std::filesystem::exists(folder.path() + "/ir.INI") &&
                 !std::filesystem::equivalent(folder.path() + "/IR.ini", folder.path() + "/ir.INI"))
        << "a second settings file beside the first";
    EXPECT_EQ(folder.read("ir.INI").substr(0, 10), "tank.wav\r\n");
}

TEST(ReplaceFile, AFailedWriteLeavesTheOldFileWholeAndSaysWhich) {
    testing::TempFolder folder;
    const std::string path = folder.write("IR.ini", "the old settings\r\n");
    try {
        testing::FailingReplace fullDisk(path);
        replaceFile(path, std::string(100, 'x'));
        FAIL() << "a write that could not finish was reported as success";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(folder.read("IR.ini"), "the old settings\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
        << "the unfinished new file is removed";
}

TEST(ReplaceFile, AFolderThatCannotBeWrittenIsReported) {
    testing::TempFolder folder;
    EXPECT_THROW(replaceFile(folder.path() + "/gone/IR.ini", "x"), std::runtime_error);
    folder.folder("IR.ini");  // a folder where the file should be
    EXPECT_THROW(replaceFile(folder.path() + "/IR.ini", "x"), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() + "/IR.ini"));
}

TEST(ReplaceFile, KeepsWhatTheUserSetOnTheOldFile) {
    testing::TempFolder folder;
    const std::string path = folder.write("IR.ini", "old");
    testing::markAsUsers(path);
    replaceFile(path, "new");
    EXPECT_EQ(folder.read("IR.ini"), "new");
    EXPECT_TRUE(testing::hasUsersMark(path));
}

TEST_F(SettingsFile, InitsaveReportsAFailedWriteAndKeepsTheOldFile) {
    const std::string path = folder.write("IR.ini", "old.wav\r\n");
    fill();
    testing::FailingReplace fullDisk(path);
    EXPECT_THROW(initsave(data, 1), std::runtime_error);
    EXPECT_EQ(folder.read("IR.ini"), "old.wav\r\n");
}

// An IR.ini the program cannot read is the user's all the same: it is named,
// the program runs on the defaults, and no save ever writes over it.
TEST_F(SettingsFile, AFileThatCannotBeReadIsNamedAndNeverWritten) {
    std::optional<testing::UnreadableFile> unreadable;
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"a folder", [&] { folder.folder("IR.ini"); }},
        {"no read rights", [&] { unreadable.emplace(folder.write("IR.ini", "mine.wav\r\n")); }},
    };
    const std::string path = folder.path() + "/IR.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unreadable.reset();
        std::filesystem::remove_all(path);
        c.make();
        std::string content, reason;
        if (file_system::readFile(path, content, reason)) continue;  // root may read anything
        ProgramData fresh;
        fresh.programDir = folder.path();
        const auto problems = initladen(fresh, comport);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find(path), std::string::npos) << problems[0];
        EXPECT_NE(problems[0].find("nicht überschrieben"), std::string::npos) << problems[0];
        EXPECT_EQ(fresh.controllers[0].enginesound.file, "leer");
        try {
            initsave(fresh, 1);
            FAIL() << "the unreadable file was written over";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_TRUE(std::filesystem::exists(path));
    }
}

TEST_F(SettingsFile, WritesThroughALinkAndLeavesAReadOnlyFileAlone) {
    folder.folder("shared");
    folder.write("shared/IR.ini", "old\r\n");
    // Where no link can be made (Wine 8), the read-only file is the settings file itself.
    const bool linked = testing::makeLink("shared/IR.ini", folder.path() + "/IR.ini");
    if (!linked) data.programDir = folder.path() + "/shared";
    fill();
    initsave(data, 1);
    EXPECT_TRUE(!linked || testing::isLink(folder.path() + "/IR.ini")) << "the link became a plain file";
    EXPECT_EQ(folder.read("shared/IR.ini").substr(0, 13), "panzer0.wav\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() + "/shared"), {}), 1);

    std::filesystem::permissions(folder.path() + "/shared/IR.ini", std::filesystem::perms(0444));
    data.controllers[0].enginesound.file = "other.wav";
    try {
        initsave(data, 1);
        FAIL() << "a read-only file was written";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("schreibgeschützt"), std::string::npos) << e.what();
    }
    EXPECT_EQ(folder.read("shared/IR.ini").substr(0, 13), "panzer0.wav\r\n");
}

// Files from Windows: a byte order mark before the first name, a name in
// the Windows code page, and a name longer than the file system takes.
TEST_F(SettingsFile, ReadsFilesFromWindowsAndRefusesNamesTooLongToExist) {
    const std::string cp1252Name = "Motor-gro\xDF.wav";
    const std::string longName(300, 'n');
    folder.write("IR.ini", "\xEF\xBB\xBF" + cp1252Name + "\r\n-100 \r\n" + longName + "\r\n-200 \r\n");
    folder.write("dsound/Motor-gro\xC3\x9F.wav", "RIFF");
    const auto problems = initladen(data, comport);
    EXPECT_EQ(data.controllers[0].enginesound.file, cp1252Name) << "the mark is no part of the name";
    EXPECT_EQ(data.controllers[0].enginesound.volume, -100);
    EXPECT_GT(fileda(folder.path() + "/dsound/" + cp1252Name), 0) << "found as Windows-1252";
    EXPECT_EQ(data.controllers[0].shotsound.file, "leer") << "refused, not cut";
    EXPECT_EQ(problems, std::vector<std::string>{"Name zu lang, nicht übernommen: Kontroller 1 Schuss\n"
                                                 "Die Datei wird nicht überschrieben: " + folder.path() + "/IR.ini"});
    EXPECT_EQ(formatSettings(data, 0).substr(0, cp1252Name.size() + 2), cp1252Name + "\r\n")
        << "the name is written back as it was read";
    EXPECT_THROW(initsave(data, 0), std::runtime_error) << "a save would lose the refused name";
    EXPECT_EQ(folder.read("IR.ini").substr(cp1252Name.size() + 12, longName.size()), longName);
}

// Saved by Windows Notepad as "Unicode", in either byte order: the names
// come out with their umlauts and are found, and a save writes the file in
// its usual 8-bit form without losing a value.
TEST_F(SettingsFile, ReadsUnicodeFilesFromWindowsEditorsAndSavesThemWhole) {
    const std::u16string text = u"Motor-gro\u00DF.wav\r\n-100 \r\nT\u00F6ne \U0001F3B5.wav\r\n-200 \r\n";
    folder.write("dsound/Motor-gro\xC3\x9F.wav", "RIFF");
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big endian" : "little endian");
        const std::string path = folder.write("IR.ini", testing::notepadUnicode(text, bigEndian));
        ProgramData fresh;
        fresh.programDir = folder.path();
        EXPECT_TRUE(initladen(fresh, comport).empty());
        EXPECT_EQ(fresh.controllers[0].enginesound.file, "Motor-gro\xC3\x9F.wav");
        EXPECT_EQ(fresh.controllers[0].enginesound.volume, -100);
        EXPECT_EQ(fresh.controllers[0].shotsound.file, "T\xC3\xB6ne \xF0\x9F\x8E\xB5.wav");
        EXPECT_EQ(fresh.controllers[0].shotsound.volume, -200);
        EXPECT_GT(fileda(folder.path() + "/dsound/" + fresh.controllers[0].enginesound.file), 0);

        initsave(fresh, 2);
        ProgramData back;
        back.programDir = folder.path();
        EXPECT_TRUE(initladen(back, comport).empty());
        EXPECT_EQ(formatSettings(back, comport), formatSettings(fresh, 2));
        EXPECT_EQ(folder.read("IR.ini"), formatSettings(fresh, 2));
    }
}

// A file that holds no text is the player's all the same: it is named as
// damaged once, the program runs on the defaults, and no save writes over it.
TEST_F(SettingsFile, ADamagedFileIsNamedOnceAndNeverWritten) {
    using namespace std::string_literals;
    std::string junk;
    for (uint32_t x = 7; junk.size() < 600; x = x * 1103515245u + 12345u) junk += static_cast<char>(x >> 16);
    const std::pair<const char*, std::string> cases[] = {
        {"binary junk", junk},
        {"NULs where a name should be", "tank.wav\r\n-100 \r\n\0\0\0\0\r\n-200 \r\n"s},
        {"UTF-16 that breaks off", "\xFF\xFEt\0a"s},
        {"UTF-16 with half a pair", "\xFE\xFF\xD8\x3C\0a"s},
    };
    const std::string path = folder.path() + "/IR.ini";
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        folder.write("IR.ini", bytes);
        ProgramData fresh;
        fresh.programDir = folder.path();
        const auto problems = initladen(fresh, comport);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].rfind("Datei ist beschädigt: " + path + " (", 0), 0u) << problems[0];
        EXPECT_NE(problems[0].find("die Datei wird nicht überschrieben."), std::string::npos) << problems[0];
        EXPECT_EQ(fresh.controllers[0].enginesound.file, "leer");
        EXPECT_EQ(comport, 0);
        EXPECT_TRUE(initladen(fresh, comport).empty()) << "named once per run";
        EXPECT_THROW(initsave(fresh, 1), std::runtime_error);
        EXPECT_EQ(folder.read("IR.ini"), bytes);
    }
}

}  // namespace
}  // namespace rumblet
