// rumblet end to end, driven as a person would: the real program, copied
// with its library and the demo sound set into a folder of its own, runs on
// a virtual display with COM1 mapped to the virtual receiver; the test ticks
// Background and clicks ON, irremote plays a drive (tests/e2e/drive.irs),
// the test reads the main window's row of controller 0 through the
// clipboard, clicks OFF and closes the window. SDL's disk output records the
// sound, which is checked against the demo set's design: each sound in its
// own band, the engine's fundamental 105 Hz x (2/3 + S/90).
//
// The machine may be busy: frames are lost now and then, so every check
// looks at stretches of many frames and allows 0.3 s for a frame's way.
#include <gtest/gtest.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "irframe/irframe.h"
#include "drive_script.h"
#include "drive_session.h"
#include "recording_checks.h"

namespace {

using namespace std::chrono_literals;

using namespace e2e::drive_script;

// What the drive saw, for the checks.
using Row = std::map<std::string, std::string>;

struct Observed {
    e2e::DriveResult drive;
    std::string problem;
    std::vector<Row> rowsWhileDriving;  // read twice: a stray frame may show for a moment
    std::vector<Row> rowsReversing;
    std::string stateAfterSilence;
    demo::Recording recording;
};

Row readRow(const e2e::DriveContext& c, std::initializer_list<const char*> boxes) {
    Row texts;
    for (const char* box : boxes) texts[box] = c.text(box);
    return texts;
}

void readRecording(Observed& o) {
    const auto format = e2e::recordedFormat();
    o.recording = demo::readRawFloatRecording(o.drive.recording.string(), format.rate, format.channels);
    demo::writeRecording((o.drive.recording.parent_path() / "sound.wav").string(), o.recording);
}

constexpr std::initializer_list<const char*> DRIVING_ROW = {"Text1(0)", "Text2(0)", "Text3(0)",
                                                            "Text4(0)", "Text6(0)", "Text7(0)"};

Observed drive() {
    Observed o;
    e2e::DriveOptions options;
    options.dir = E2E_ARTIFACTS;
    options.script = DRIVE_SCRIPT;
    options.offAt = OFF_AT;
    // Only controller 0 has sounds: a frame misread on a busy machine as
    // another controller's stays silent.
    options.controllers = 1;
    options.replaceSettingsBeforeClose = true;
    options.steps = {
        {7.0, [&](const e2e::DriveContext& c) {
             o.rowsWhileDriving.push_back(readRow(c, DRIVING_ROW));
             c.desktop.screenshot(c.mainWindow, (c.dir / "main-driving.png").string());
             o.rowsWhileDriving.push_back(readRow(c, DRIVING_ROW));
         }},
        {11.5, [&](const e2e::DriveContext& c) {
             for (int i = 0; i < 2; ++i) o.rowsReversing.push_back(readRow(c, {"Text6(0)", "Text7(0)"}));
         }},
        {FRAMES_END + 2.8, [&](const e2e::DriveContext& c) {
             o.stateAfterSilence = c.text("Text4(0)");
             c.desktop.screenshot(c.mainWindow, (c.dir / "main-after-silence.png").string());
         }},
    };
    o.drive = e2e::runDrive(options);
    o.problem = o.drive.problem;
    if (o.problem.empty()) readRecording(o);
    return o;
}

class RumbletEndToEnd : public OneDrive<Observed, drive> {
protected:
    // Where a moment of the script lies in the recording.
    static double rec(double scriptSeconds) { return o().drive.recordedAt(scriptSeconds); }
};

std::string diagnosticText(const rumblet::irframe::IrFrame& frame) {
    std::string text;
    for (int16_t bit : frame) text += bit ? " 1" : " 0";
    return text;
}

TEST_F(RumbletEndToEnd, TheStartFrameStartsTheEngine) {
    const e2e::LevelTrack engine(o().recording, demo::ENGINE_BAND, 0.02);
    const double end = o().recording.duration();
    const auto on = engine.firstAbove(0.0, end, 0.05 * engine.max(0.0, end));
    ASSERT_TRUE(on.has_value()) << "no engine sound in the recording";
    EXPECT_GE(*on, rec(START_AT)) << "the engine sounded before the start frame";
    EXPECT_LE(*on, rec(START_AT + 0.3)) << "the engine started late";
}

std::string describe(const std::vector<Row>& rows) {
    std::string text;
    for (const Row& row : rows) {
        text += "\n  read:";
        for (const auto& [box, value] : row) text += " " + box + "='" + value + "'";
    }
    return text;
}

// One of the readings shows the row as the frames set it.
TEST_F(RumbletEndToEnd, FramesArriveAndTheRowShowsModelModeAndSpeeds) {
    const Row driving = {
        {"Text1(0)", diagnosticText(rumblet::irframe::ordinaryFrame(0, {4, 2, false, false}))},
        {"Text2(0)", "3"},            // model number
        {"Text3(0)", "Training"},     // mode
        {"Text4(0)", "Singel  New"},  // single/team, new/old
        {"Text6(0)", "2"},            // left speed, speed2
        {"Text7(0)", "4"},            // right speed, speed1
    };
    const Row reversing = {{"Text6(0)", "-3"}, {"Text7(0)", "-3"}};
    const auto& rows = o().rowsWhileDriving;
    EXPECT_NE(std::find(rows.begin(), rows.end(), driving), rows.end())
        << "expected" << describe({driving}) << "\nwhile driving" << describe(rows);
    const auto& back = o().rowsReversing;
    EXPECT_NE(std::find(back.begin(), back.end(), reversing), back.end())
        << "expected" << describe({reversing}) << "\nwhile reversing" << describe(back);
}

TEST_F(RumbletEndToEnd, EnginePitchFollowsTheSpeed) { expectPitchPlateaus(o().recording, o().drive); }

// Each fire frame is one frame; a frame lost now and then loses its shot.
TEST_F(RumbletEndToEnd, ShotSoundsWhenFired) {
    const e2e::LevelTrack shot(o().recording, demo::SHOT_BAND, 0.05);
    const double before = shot.median(rec(QUIET_FROM), rec(QUIET_TO));
    int shots = 0;
    for (double fire : FIRE_AT)
        if (shot.max(rec(fire), rec(fire + 0.5)) > 10.0 * before + 1e-3) ++shots;
    EXPECT_GE(shots, 2) << "shots heard for " << shots << " of 3 fire frames";
}

TEST_F(RumbletEndToEnd, TurretSoundsWhileTurnedAndStopsAfterTheTurretFrames) {
    const e2e::LevelTrack turret(o().recording, demo::TURRET_BAND, 0.05);
    const double quiet = turret.median(rec(QUIET_FROM), rec(QUIET_TO));
    const double turning = turret.median(rec(TURRET_FROM + 0.4), rec(TURRET_TO - 0.2));
    EXPECT_GT(turning, 10.0 * quiet + 1e-3) << "no turret sound while turning";
    EXPECT_LT(turret.median(rec(TURRET_TO + 0.4), rec(FRAMES_END)), 0.2 * turning)
        << "the turret sound went on after the turret frames stopped";
}

// The watchdog declares a silent controller gone 1.5 to 2 s after its last
// frame and the engine jumps to its stop: revs and level die away.
TEST_F(RumbletEndToEnd, EnginePlaysItsStopWithinTwoAndAHalfSecondsAfterTheFramesEnd) {
    const e2e::LevelTrack engine(o().recording, demo::ENGINE_BAND, 0.02);
    const double idle = engine.median(rec(FRAMES_END - 1.0), rec(FRAMES_END));
    // In the stop segment the level falls as (1 - u)^2: 70 % after a sixth
    // of its 1.5 s.
    const auto falling = engine.firstBelow(rec(FRAMES_END), rec(FRAMES_END + 4.5), 0.7 * idle, 0.2);
    ASSERT_TRUE(falling.has_value()) << "the engine never died away after the frames ended";
    const double stopStart = *falling - 0.25;
    EXPECT_GE(stopStart, rec(FRAMES_END + 1.0)) << "the engine stopped before the watchdog could";
    EXPECT_LE(stopStart, rec(FRAMES_END + 2.5 + 0.3)) << "the engine's stop came late";
    const auto pitch = e2e::enginePitch(o().recording, *falling, *falling + 0.4);
    ASSERT_TRUE(pitch.has_value());
    EXPECT_LT(*pitch, 0.9 * demo::ENGINE_FUNDAMENTAL_HZ) << "the revs do not run down: not the stop segment";
    EXPECT_LT(engine.max(stopStart + 1.7, rec(FRAMES_END + 4.5)), 0.02 * idle) << "the engine did not fall silent";
    EXPECT_EQ(o().stateAfterSilence, "Break") << "the row does not show the controller gone";
}

TEST_F(RumbletEndToEnd, OffStopsEngineAndBackgroundAtOnce) {
    const double off = rec(o().drive.offClick - o().drive.scriptZero);
    const e2e::LevelTrack engine(o().recording, demo::ENGINE_BAND, 0.02);
    const e2e::LevelTrack rain(o().recording, demo::RAIN_BAND, 0.02);
    const double engineBefore = engine.median(off - 1.0, off - 0.1);
    const double rainBefore = rain.median(off - 1.0, off - 0.1);
    ASSERT_GT(engineBefore, 1e-3) << "the engine was not running when OFF was clicked";
    ASSERT_GT(rainBefore, 1e-4) << "the background was not playing when OFF was clicked";
    EXPECT_LT(engine.max(off + 0.15, off + 1.0), 0.02 * engineBefore) << "the engine played on after OFF";
    EXPECT_LT(rain.max(off + 0.15, off + 1.0), 0.05 * rainBefore) << "the background played on after OFF";
}

TEST_F(RumbletEndToEnd, ClosingTheWindowEndsTheProgramAndWritesIrIni) { expectSettingsWrittenAtClose(o().drive); }

// After OFF and 20 s of rest, and after 20 s in the sound editor while the
// receive loop runs, every frame of the next drive is decided: each fire
// frame of tests/e2e/pauses.irs sounds its shot.
TEST(RumbletAfterAPause, EveryFrameOfTheNextDriveIsDecided) {
    std::string problem;
    std::optional<std::string> editor;
    e2e::DriveOptions options;
    options.dir = std::string(E2E_ARTIFACTS) + "-pauses";
    options.script = PAUSES_SCRIPT;
    options.controllers = 1;
    options.offAt = 69.0;
    options.steps = {
        {5.0, [&](const e2e::DriveContext& c) {
             c.click("Check4");  // no background: the shots' band stays quiet between them
             c.click("Command2");
             const auto box = c.desktop.findWindow("^rumblet$", 20s);
             if (!box || !c.desktop.close(*box)) problem = "no \"Kein Kontroller!\" box after OFF";
         }},
        {37.0, [](const e2e::DriveContext& c) { c.click("Command4"); }},
        {43.5, [&](const e2e::DriveContext& c) {
             c.click("Command3");
             editor = c.desktop.findWindow("^Soundedit$", 10s);
         }},
        {63.5, [&](const e2e::DriveContext& c) {
             if (!editor || !c.desktop.close(*editor)) problem = "the sound editor did not open";
         }},
    };
    const e2e::DriveResult drive = e2e::runDrive(options);
    ASSERT_TRUE(drive.problem.empty()) << drive.problem;
    EXPECT_TRUE(problem.empty()) << problem;
    const auto format = e2e::recordedFormat();
    const auto recording = demo::readRawFloatRecording(drive.recording.string(), format.rate, format.channels);
    const e2e::LevelTrack shot(recording, demo::SHOT_BAND, 0.05);
    const auto rec = [&](double script) { return drive.recordedAt(script); };
    // Shots over the level of the second before the first of them.
    const auto shotsHeard = [&](std::initializer_list<double> fires) {
        const double before = shot.median(rec(*fires.begin() - 1.0), rec(*fires.begin() - 0.1));
        int heard = 0;
        for (double fire : fires) heard += shot.max(rec(fire), rec(fire + 0.5)) > 10.0 * before + 1e-3;
        return heard;
    };
    EXPECT_EQ(shotsHeard({3.0, 3.8}), 2) << "the drive before the pauses";
    EXPECT_EQ(shotsHeard({40.0, 40.8, 41.6, 42.4}), 4) << "after OFF and 20 s of rest";
    EXPECT_EQ(shotsHeard({65.0, 65.8, 66.6, 67.4}), 4) << "after 20 s in the sound editor";
}

// The system's requests to end the program end it as closing its window
// does: IR.ini is written, the program ends by itself.
TEST(RumbletSignals, EndTheProgramAsClosingItsWindowDoes) {
    for (const auto& [signal, name] : {std::pair{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}}) {
        SCOPED_TRACE(name);
        const auto end = e2e::endBySignal(std::string(E2E_ARTIFACTS) + "-" + name, signal);
        ASSERT_TRUE(end.problem.empty()) << end.problem;
        ASSERT_TRUE(end.exitStatus.has_value()) << "rumblet did not end";
        EXPECT_EQ(*end.exitStatus, 0);
        EXPECT_EQ(end.settingsAfter.rfind(std::string(demo::ENGINE_FILE) + "\r\n", 0), 0u) << end.settingsAfter;
    }
}

// A second start for the same folder (a double click too many) says so and
// ends; the first copy runs on and saves at its end as ever.
TEST(RumbletSignals, ASecondStartForTheSameFolderShowsAMessageAndEnds) {
    const auto end = e2e::endBySignal(std::string(E2E_ARTIFACTS) + "-twice", SIGTERM, true);
    ASSERT_TRUE(end.problem.empty()) << end.problem;
    EXPECT_TRUE(end.secondStartMessage) << "no message box of the second copy";
    ASSERT_TRUE(end.secondStartStatus.has_value()) << "the second copy did not end";
    EXPECT_NE(*end.secondStartStatus, 0);
    ASSERT_TRUE(end.exitStatus.has_value()) << "rumblet did not end";
    EXPECT_EQ(*end.exitStatus, 0);
    EXPECT_EQ(end.settingsAfter.rfind(std::string(demo::ENGINE_FILE) + "\r\n", 0), 0u) << end.settingsAfter;
}

}  // namespace
