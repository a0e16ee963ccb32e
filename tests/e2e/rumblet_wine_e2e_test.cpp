// rumblet.exe end to end under Wine, driven as a person would: a Windows
// build's program in a folder of its own (a portable copy: its settings stay
// beside it), on a virtual display, COM1 mapped through PORT_COM1 to the
// virtual receiver over UDP. The drive is the Linux program's
// (tests/e2e/drive.irs played by irremote, Background and ON clicked, OFF
// while the engine runs again) and the file output's recording must show
// the same engine pitches. After OFF the sound editor is opened, the end of
// the segment "Fahren" moved one page on its slider and the editor closed;
// then the main window. The positions file and IR.ini must hold what the
// player did.
//
//   e2e_wine_tests LOADER WINDOWS_BUILD PREFIX
// Exits 77 (skipped) when the build has no rumblet.exe or this machine
// cannot run the loader (a kernel without 32-bit programs).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "drive_script.h"
#include "drive_session.h"
#include "editor/soundedit_layout.h"
#include "sound_analysis.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace e2e::drive_script;
namespace layout = rumblet::soundedit_layout;

std::string loader, windowsBuild, prefix;

constexpr double EDITOR_AT = OFF_AT + 2.5;  // irremote has sent its last frame
constexpr int FAHREN = 3;                   // the segment's index in the positions file and the editor

// A rectangle of the editor's window, in pixels at 96 dpi.
struct Area {
    int x, y, width, height;
    Area operator+(const layout::Place& inner) const { return {x + inner.left, y + inner.top, inner.width, inner.height}; }
};
const Area POSITIONS = Area{} + layout::Frame5;
const Area END_FRAME = POSITIONS + layout::Frame6[1];
const Area END_SLIDER = END_FRAME + layout::Slider1;

std::vector<long> numbers(const std::string& text) {
    std::vector<long> values;
    std::istringstream in(text);
    for (long v; in >> v;) values.push_back(v);
    return values;
}

std::string pixelsOf(const e2e::Desktop& desktop, const std::string& window, const Area& a) {
    return desktop.pixels(window, a.x, a.y, a.width, a.height);
}

// Waits up to `limit` until the pixels of `a` differ from `before`.
bool changes(const e2e::Desktop& desktop, const std::string& window, const Area& a, const std::string& before,
             std::chrono::milliseconds limit) {
    for (const auto end = e2e::Clock::now() + limit; e2e::Clock::now() < end; std::this_thread::sleep_for(100ms)) {
        const std::string now = pixelsOf(desktop, window, a);
        if (!now.empty() && now != before) return true;
    }
    return false;
}

// The round button of a segment's option: its left 13 pixels, clear of the
// focus frame around the caption.
Area optionButton(int segment) {
    Area a = POSITIONS + layout::Option3[size_t(segment)];
    a.width = 13;
    return a;
}

// Clicks "Fahren" until the option of the first segment, set when the
// editor opens, shows unset (the options are one group; "Fahren" itself,
// under the pointer, may be drawn lit), for at most `limit`: Wine passes
// clicks to a window only a moment after it has shown, later on a busy
// machine, and a click on a set option does no more. Returns the clicks it
// took, 0 when none took effect.
int selectFahren(const e2e::Desktop& desktop, const std::string& editor, std::chrono::milliseconds limit) {
    const auto end = e2e::Clock::now() + limit;
    std::string set;
    while (e2e::Clock::now() < end) {
        const std::string first = pixelsOf(desktop, editor, optionButton(0));
        const std::string fahren = pixelsOf(desktop, editor, optionButton(FAHREN));
        if (!first.empty() && !fahren.empty() && first != fahren && first == set) break;
        set = first;
        std::this_thread::sleep_for(200ms);
    }
    const Area button = optionButton(FAHREN);
    for (int clicks = 1; e2e::Clock::now() < end; ++clicks) {
        desktop.click(editor, button.x + button.width / 2, button.y + button.height / 2);
        if (changes(desktop, editor, optionButton(0), set, 1s)) return clicks;
    }
    return 0;
}

struct Observed {
    e2e::DriveResult drive;
    std::string problem;
    std::string positionsBefore, positionsAfterEditor;
    demo::Recording recording;
};

Observed drive() {
    Observed o;
    e2e::DriveOptions options;
    options.program = e2e::wineProgram(loader, windowsBuild, prefix);
    options.dir = std::string(E2E_ARTIFACTS) + "-" + fs::path(loader).filename().string();
    options.script = DRIVE_SCRIPT;
    options.offAt = OFF_AT;
    options.controllers = 1;
    options.replaceSettingsBeforeClose = true;
    const fs::path positions = options.dir / "program" / "dsound" / demo::POSITIONS_FILE;
    options.steps = {{EDITOR_AT, [&](const e2e::DriveContext& c) {
                          o.positionsBefore = e2e::readFile(positions);
                          c.click("Command3");
                          const auto editor = c.desktop.findWindow("^Soundedit$", 10s);
                          if (!editor) {
                              o.problem = "the sound editor did not open";
                              return;
                          }
                          // The option shows "Fahren"'s start and end on the sliders.
                          const int clicks = selectFahren(c.desktop, *editor, 10s);
                          if (clicks == 0) {
                              c.desktop.screenshot(*editor, (c.dir / "editor-unclicked.png").string());
                              o.problem = "the sound editor took no click on \"Fahren\" within 10 s (editor-unclicked.png)";
                              return;
                          }
                          if (clicks > 1) std::printf("the sound editor took the %d. click on \"Fahren\"\n", clicks);
                          // A click left of the end's slider button moves it one page
                          // down: once only, so it is not repeated.
                          const std::string end = pixelsOf(c.desktop, *editor, END_FRAME);
                          c.desktop.click(*editor, END_SLIDER.x + 8, END_SLIDER.y + END_SLIDER.height / 2);
                          if (!changes(c.desktop, *editor, END_FRAME, end, 5s))
                              o.problem = "the end's slider did not move within 5 s of the click";
                          c.desktop.screenshot(*editor, (c.dir / "editor-moved.png").string());
                          c.desktop.close(*editor);
                          // Closing the editor saves its positions.
                          for (int i = 0; i < 50 && e2e::readFile(positions) == o.positionsBefore; ++i)
                              std::this_thread::sleep_for(100ms);
                          o.positionsAfterEditor = e2e::readFile(positions);
                      }}};
    o.drive = e2e::runDrive(options);
    if (o.problem.empty()) o.problem = o.drive.problem;
    if (o.drive.problem.empty()) {
        const auto format = e2e::recordedFormat();
        o.recording = demo::readRawFloatRecording(o.drive.recording.string(), format.rate, format.channels);
        demo::writeRecording((o.drive.recording.parent_path() / "sound.wav").string(), o.recording);
    }
    return o;
}

using RumbletUnderWine = OneDrive<Observed, drive>;

TEST_F(RumbletUnderWine, EnginePitchFollowsTheSpeed) { expectPitchPlateaus(o().recording, o().drive); }

TEST_F(RumbletUnderWine, TheEditorSavesTheMovedSegmentEnd) {
    const std::vector<long> before = numbers(o().positionsBefore), after = numbers(o().positionsAfterEditor);
    ASSERT_EQ(before.size(), 12u) << o().positionsBefore;
    ASSERT_EQ(after.size(), 12u) << "positions file after the editor closed:\n" << o().positionsAfterEditor;
    const size_t end = 2 * FAHREN + 1;
    // A page of the position sliders is 5 bytes; the start lies far below.
    EXPECT_EQ(after[end], before[end] - 5) << "the end of \"Fahren\"";
    for (size_t i = 0; i < 12; ++i) {
        if (i != end) {
            EXPECT_EQ(after[i], before[i]) << "value " << i << " of the positions file";
        }
    }
    EXPECT_EQ(e2e::readFile(o().drive.programFolder / "dsound" / demo::POSITIONS_FILE), o().positionsAfterEditor)
        << "closing the program changed the positions again";
}

TEST_F(RumbletUnderWine, ClosingTheWindowEndsTheProgramAndWritesIrIni) { expectSettingsWrittenAtClose(o().drive); }

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: e2e_wine_tests LOADER WINDOWS_BUILD PREFIX\n");
        return 2;
    }
    loader = argv[1], windowsBuild = argv[2], prefix = argv[3];
    if (!fs::exists(fs::path(windowsBuild) / "app" / "rumblet.exe")) {
        std::printf("no %s/app/rumblet.exe (scripts/build --all builds it): skipped\n", windowsBuild.c_str());
        return 77;
    }
    const e2e::CommandResult probe = e2e::runCommand({loader, "--version"}, {});
    if (probe.status != 0) {
        std::printf("this machine cannot run %s (\"%s --version\" fails): skipped\n", loader.c_str(), loader.c_str());
        return 77;
    }
    return RUN_ALL_TESTS();
}
