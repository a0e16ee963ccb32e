// The main window's logic: start-up, the receive loop and its buttons, the
// check boxes, the sound editor, shut-down and the standard run-time error.
#include <gtest/gtest.h>

#include <set>

#include "app/bound_port.h"
#include "receive_fixture.h"

namespace rumblet::testing {
namespace {

const std::vector<std::string> SOUND_AND_PORT = {"soundinit", "show", "initladen", "soundladen",
                                                 "posladen", "OPENCOM", "CLOSECOM", "initsave",
                                                 "releaseSound", "end", "message", "editor",
                                                 "soundstop", "atmo", "enginest"};

class MainWindowTest : public MainFormTest {
protected:
    std::vector<std::string> events() const {
        std::vector<std::string> out;
        for (const auto& event : log) {
            for (const auto& p : SOUND_AND_PORT) {
                if (event.rfind(p, 0) == 0) {
                    out.push_back(event);
                    break;
                }
            }
        }
        return out;
    }
    // Starts the window with COM1 open and an empty log.
    void startWithCom1() {
        sounds.savedPort = 1;
        form.Form_Load();
        log.clear();
        window.messages.clear();
    }
};

TEST_F(MainWindowTest, StartUpRunsInOrderWithEmptySlotsAndDisplays) {
    sounds.savedPort = 1;
    data.controllers[2].shotsound.file = "old.wav";
    form.Form_Load();
    EXPECT_EQ(events(), (std::vector<std::string>{"soundinit", "show", "initladen", "soundladen",
                                                  "posladen", "OPENCOM COM1:", "OPENCOM COM1:"}));
    for (const auto& c : data.controllers) {
        EXPECT_EQ(c.enginesound.file, "leer");
        EXPECT_EQ(c.shotsound.file, "leer");
        EXPECT_EQ(c.turretsound.file, "leer");
    }
    EXPECT_EQ(data.atmosound.file, "leer");
    for (int n = 0; n < 4; ++n) {
        for (auto* row : {&form.Text1, &form.Text2, &form.Text3, &form.Text4, &form.Text6, &form.Text7}) {
            EXPECT_EQ((*row)[n].text, "");
        }
    }
    EXPECT_EQ(form.Text5_1.text, " 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7");
    EXPECT_EQ(form.diagnose, 1);
    EXPECT_TRUE(form.Check3.value);
    EXPECT_FALSE(form.Command2.enabled);
    EXPECT_TRUE(form.Command4.enabled);
    EXPECT_EQ(form.Command4.caption, "ON");
}

TEST_F(MainWindowTest, SoundFilesThatCannotBeLoadedAreReportedAtStartUp) {
    sounds.readProblems = {"Datei kann nicht gelesen werden: IR.ini"};
    sounds.loadProblems = {"dsound/tank.wav: not a wave file"};
    form.Form_Load();
    EXPECT_EQ(window.messages, (std::vector<std::string>{sounds.readProblems[0], sounds.loadProblems[0]}));
    EXPECT_FALSE(window.ended);
}

TEST_F(MainWindowTest, FailingSoundStartUpEndsAfterItsMessageWithoutShowingTheWindow) {
    sounds.initFailure = "Direct Sound Objekt konnte nicht initialisiert werden.";
    EXPECT_THROW(form.Form_Load(), ProgramEnded);
    EXPECT_EQ(events(), (std::vector<std::string>{
                            "soundinit", "message Direct Sound Objekt konnte nicht initialisiert werden.",
                            "end"}));
    EXPECT_FALSE(window.shown);
}

TEST_F(MainWindowTest, OnWithoutAPortAsksForOneAndStaysIdle) {
    form.Form_Load();
    form.Command4_Click();
    EXPECT_EQ(window.messages, std::vector<std::string>{"Select COM1 or COM2"});
    EXPECT_EQ(form.running, 0);
    EXPECT_EQ(form.Command4.caption, "ON");
    EXPECT_TRUE(form.Command4.enabled);
    EXPECT_FALSE(form.Check1.value);
    EXPECT_FALSE(form.Check2.value);
}

// OFF during the header search stops the sounds at once; the buttons switch
// back only when the receive step returns with the next frame.
TEST_F(MainWindowTest, OnThenOffDuringTheHeaderSearch) {
    startWithCom1();
    line.sendAt(200000, irframe::pulseTrain(irframe::ordinaryFrame(0, {4, 4}), 1000));
    std::vector<std::string> whileWaiting;
    window.at(50000, [&] {
        EXPECT_EQ(form.Command4.caption, "Sound run");
        EXPECT_FALSE(form.Command4.enabled);
        EXPECT_TRUE(form.Command2.enabled);
        form.Command2_Click();
        whileWaiting = events();
    });
    window.at(100000, [&] {
        EXPECT_FALSE(form.Command4.enabled) << "still inside the receive step";
    });

    form.Command4_Click();

    EXPECT_EQ(whileWaiting, std::vector<std::string>{"soundstop"});
    EXPECT_EQ(events(), (std::vector<std::string>{"soundstop", "soundstop"}));
    EXPECT_EQ(data.controllers[0].speed1, 4) << "the step in progress finished its frame";
    EXPECT_EQ(form.Command4.caption, "Start");
    EXPECT_TRUE(form.Command4.enabled);
    EXPECT_FALSE(form.Command2.enabled);
}

// A yield while no capture is in progress (no TIMEINIT beyond the frames
// handled) is the receive loop's own, before the next receive step.
TEST_F(MainWindowTest, ReceiveLoopYieldsBeforeEveryReceiveStep) {
    startWithCom1();
    for (int i = 0; i < 3; ++i) line.send(irframe::pulseTrain(irframe::ordinaryFrame(1, {i, 0}), 1000));
    int64_t framesHandled = 0;
    std::vector<int64_t> loopYields;
    sounds.onSoundauswerten = [&](auto&, int16_t) {
        if (++framesHandled == 3) form.Command2_Click();
    };
    window.onYield = [&] {
        if (line.timeinitCalls == framesHandled) loopYields.push_back(framesHandled);
    };
    form.Command4_Click();
    EXPECT_EQ(loopYields, (std::vector<int64_t>{0, 1, 2}));
}

TEST_F(MainWindowTest, BackgroundFollowsItsBoxWhileReceivingOnly) {
    startWithCom1();
    form.Check4.click();  // idle: nothing plays
    EXPECT_EQ(events(), std::vector<std::string>{"atmostop"});
    log.clear();

    line.sendAt(300000, irframe::pulseTrain(irframe::ordinaryFrame(0, {1, 1}), 1000));
    window.at(100000, [&] { form.Check4.click(); });
    window.at(150000, [&] { form.Check4.click(); });
    window.at(200000, [&] { form.Command2_Click(); });
    form.Command4_Click();
    EXPECT_EQ(events(), (std::vector<std::string>{"atmoplay", "atmostop", "atmoplay", "soundstop",
                                                  "soundstop"}));
}

TEST_F(MainWindowTest, DiagnoseBoxSwitchesTheDiagnosticDisplay) {
    form.Form_Load();
    form.Check3.click();
    EXPECT_EQ(form.diagnose, 0);
    form.Check3.click();
    EXPECT_EQ(form.diagnose, 1);
}

TEST_F(MainWindowTest, SoundeditWhileReceivingStopsSoundPausesWatchdogAndTheLoopGoesOn) {
    startWithCom1();
    window.attach(form);
    line.sendAt(100000, irframe::pulseTrain(irframe::ordinaryFrame(2, {1, 0}), 0));
    line.sendAt(900000, irframe::pulseTrain(irframe::ordinaryFrame(2, {2, 0}), 0));
    bool timerWhileEditing = true;
    window.at(50000, [&] { form.Command3_Click(); });
    window.onEditor = [&] {
        timerWhileEditing = form.Timer2.enabled;
        form.Timer2.setEnabled(true);  // what the editor does when it closes
    };
    sounds.onSoundauswerten = [&](auto&, int16_t) {
        if (data.controllers[2].speed1 == 2) form.Command2_Click();
    };
    form.Command4_Click();
    EXPECT_FALSE(timerWhileEditing);
    EXPECT_TRUE(form.Timer2.enabled);
    EXPECT_EQ(data.controllers[2].speed1, 2) << "the loop went on after the editor";
    const auto e = events();
    ASSERT_GE(e.size(), 2u);
    EXPECT_EQ(e[0], "soundstop");
    EXPECT_EQ(e[1], "editor");
    EXPECT_EQ(std::count(e.begin(), e.end(), "atmoplay"), 0) << "background stays silent";
}

TEST_F(MainWindowTest, ALostSoundOutputIsToldOnceByTheWatchdogAndNothingElseChanges) {
    startWithCom1();
    data.controllers[1].enginestate = 1;
    data.controllers[1].watchdog = 1;
    sounds.outputLost = "Die Soundausgabe ist weg.";
    form.Timer2_Timer();
    form.Timer2_Timer();
    EXPECT_EQ(window.messages, std::vector<std::string>{"Die Soundausgabe ist weg."});
    EXPECT_EQ(data.controllers[1].watchdog, 3) << "the watchdog counts on";
    EXPECT_FALSE(window.ended);
}

TEST_F(MainWindowTest, EndeClosesThePortBeforeSavingThenReleasesAndEnds) {
    startWithCom1();
    EXPECT_THROW(form.Form_Unload(), ProgramEnded);
    EXPECT_EQ(events(), (std::vector<std::string>{"CLOSECOM", "initsave 1", "releaseSound", "end"}));
    EXPECT_FALSE(window.endedAfterError);
}

TEST_F(MainWindowTest, FailedSaveAtTheEndIsReportedBeforeTheEnd) {
    startWithCom1();
    sounds.saveFailure = "Cannot write IR.ini";
    EXPECT_THROW(form.Form_Unload(), ProgramEnded);
    EXPECT_EQ(events(), (std::vector<std::string>{"CLOSECOM", "initsave 1", "message Cannot write IR.ini",
                                                  "releaseSound", "end"}));
}

// Positions the editor could not save are tried once more at the end; what
// still fails is in the one message with IR.ini, each file once.
// The system's end request while the start-up's first box is open, before
// IR.ini was read: the empty slots of the start are never saved over it.
TEST_F(MainWindowTest, AnEndBeforeTheSettingsWereReadSavesNoSettings) {
    sounds.initFailure = "Direct Sound Objekt konnte nicht initialisiert werden.";
    window.onMessage = [&] { form.Form_Unload(); };
    EXPECT_THROW(form.Form_Load(), ProgramEnded);
    EXPECT_EQ(std::count(log.begin(), log.end(), "initsave 0"), 0);
    EXPECT_EQ(events().back(), "end");
}

TEST_F(MainWindowTest, PositionsTheEditorCouldNotSaveAreTriedAgainAtTheEnd) {
    startWithCom1();
    EXPECT_THROW(form.Form_Unload(), ProgramEnded);
    EXPECT_EQ(std::count(log.begin(), log.end(), "possave"), 0) << "nothing left unsaved";

    log.clear();
    data.positionsUnsaved = true;  // the editor's last save failed
    sounds.saveFailure = "Nicht gespeichert: IR.ini";
    sounds.positionsFailure = "Nicht gespeichert: tank.dat\nNicht gespeichert: IR.ini";
    EXPECT_THROW(form.Form_Unload(), ProgramEnded);
    EXPECT_EQ(events(), (std::vector<std::string>{"CLOSECOM", "initsave 1",
                                                  "message Nicht gespeichert: IR.ini\nNicht gespeichert: tank.dat",
                                                  "releaseSound", "end"}));
    EXPECT_EQ(std::count(log.begin(), log.end(), "possave"), 1);
}

TEST_F(MainWindowTest, ClosingWhileReceivingEndsAtOnceFromInsideTheYield) {
    startWithCom1();
    window.at(60000, [&] { form.Form_Unload(); });
    line.sendAt(100000, irframe::pulseTrain(irframe::ordinaryFrame(0, {3, 3}), 1000));
    EXPECT_THROW(form.Command4_Click(), ProgramEnded);
    EXPECT_EQ(events(), (std::vector<std::string>{"CLOSECOM", "initsave 1", "releaseSound", "end"}));
    EXPECT_EQ(data.controllers[0].speed1, 0) << "no frame handled after the end";
    EXPECT_EQ(form.Command4.caption, "Sound run");
}

TEST_F(MainWindowTest, FailingSoundObjectRaisesTheStandardRunTimeError) {
    startWithCom1();
    sounds.failingCall = "enginestart";
    line.send(irframe::pulseTrain(irframe::firstStartFrame(0, 2), 1000));
    EXPECT_THROW(form.Command4_Click(), ProgramEnded);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Sound error -2005401480: buffer lost"});
    EXPECT_EQ(events().back(), "end");
}

TEST_F(MainWindowTest, MissingPortLibraryIsNamedThenTheProgramEnds) {
    BoundPortLibrary absent("/nonexistent/libport.so");
    MainForm withoutLibrary(data, absent, sounds, window);
    sounds.savedPort = 1;
    EXPECT_THROW(withoutLibrary.Form_Load(), ProgramEnded);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].find("/nonexistent/libport.so"), std::string::npos) << window.messages[0];
    EXPECT_EQ(events().back(), "end");
    EXPECT_TRUE(window.endedAfterError) << "whoever started the program learns that it failed";
}

TEST_F(MainWindowTest, MissingPortLibraryAtTheEndStillSavesTheSettings) {
    BoundPortLibrary absent("/nonexistent/libport.so");
    MainForm withoutLibrary(data, absent, sounds, window);
    withoutLibrary.Form_Load();
    log.clear();
    EXPECT_THROW(withoutLibrary.Form_Unload(), ProgramEnded);
    EXPECT_EQ(logOf({"initsave", "releaseSound", "end"}),
              (std::vector<std::string>{"initsave 0", "releaseSound", "end"}));
}

TEST_F(MainWindowTest, LayoutPlacesEveryControlOnceInAnExistingContainer) {
    auto placed = form.layout();
    EXPECT_EQ(placed.size(), 13u + 6u * 4u);
    std::set<std::string> names;
    for (const auto& p : placed) names.insert(p.name);
    EXPECT_EQ(names.size(), placed.size());
    for (const auto& p : placed) {
        if (!p.container.empty()) {
            EXPECT_TRUE(names.count(p.container)) << p.name;
        }
        EXPECT_EQ(p.kind == ControlKind::Button, static_cast<bool>(p.click)) << p.name;
    }
    auto find = [&](const std::string& name) {
        return *std::find_if(placed.begin(), placed.end(), [&](auto& p) { return p.name == name; });
    };
    const Twips row3 = find("Text4(3)").place;
    EXPECT_EQ((std::array<int32_t, 4>{row3.left, row3.top, row3.width, row3.height}),
              (std::array<int32_t, 4>{1800, 1320, 975, 285}));
    EXPECT_EQ(std::get<Label*>(find("Frame1").control)->caption, "Modell      Modus          Controller");
    EXPECT_EQ(form.caption, "rumblet   v.0.85.beta");

    find("Command4").click();  // routed to the ON handler
    EXPECT_EQ(window.messages, std::vector<std::string>{"Select COM1 or COM2"});
}

}  // namespace
}  // namespace rumblet::testing
