// The editor window: opening, categories, controllers, picking files,
// volumes and what closing saves and reloads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "soundedit_fixture.h"
#include "tanksound/positions_file.h"
#include "tanksound/sound_engine.h"

namespace rumblet::testing {
namespace {

using ::testing::ElementsAre;

class SoundeditWindow : public SoundeditFixture {
protected:
    void SetUp() override {
        SoundeditFixture::SetUp();
        useSoundSet();
        data.controllers[2].enginesound.volume = -600;
    }
};

TEST_F(SoundeditWindow, OpensOnTheControllerOfTheLastFrame) {
    data.currentcontroller = 2;
    open();

    EXPECT_TRUE(editor->Option1[2].value) << "option \"3\" stands for controller 2";
    for (int i : {0, 1, 3}) EXPECT_FALSE(editor->Option1[i].value) << "option " << i + 1;
    EXPECT_EQ(editor->currentController(), 2);
    EXPECT_EQ(editor->Label3[0].caption, "tank2.wav");
    EXPECT_EQ(editor->Label3[1].caption, "bang.wav");
    EXPECT_EQ(editor->Label3[2].caption, "turm.wav");
    EXPECT_EQ(editor->Label3[3].caption, "wind.wav");
    EXPECT_EQ(previewName(), "tank2.wav");
    EXPECT_TRUE(preview()->playing());
    EXPECT_EQ(preview()->position(), 100) << "the preview stands at segment 0's start";
    EXPECT_EQ(editor->Slider1[0].max, 8000);
    EXPECT_EQ(editor->Slider1[0].value, 100);
    EXPECT_EQ(editor->Slider1[1].value, 900);
    EXPECT_EQ(editor->Label4[0].caption, "100");
    EXPECT_EQ(editor->Label4[1].caption, "900");
    EXPECT_EQ(editor->Slider2.value, -6);
    EXPECT_EQ(editor->Frame7.caption, "Volume: -6%");
    EXPECT_TRUE(editor->Frame5.enabled);
    EXPECT_TRUE(editor->Option2[0].value);
    EXPECT_TRUE(editor->Option3[0].value);
    EXPECT_TRUE(editor->Timer1.enabled);
    EXPECT_EQ(editor->Timer1.interval, 1);
}

TEST_F(SoundeditWindow, CaptionsOfTheControls) {
    open();
    Soundedit& e = *editor;
    EXPECT_EQ(e.caption, "Soundedit");
    EXPECT_EQ(e.Frame2.caption, "Verzeichnis");
    EXPECT_EQ(e.Frame4.caption, "Soundfiles");
    EXPECT_EQ(e.Frame3.caption, "Kontroller");
    EXPECT_EQ(e.Frame5.caption, "Positionen Panzersound");
    EXPECT_EQ(e.Frame6[0].caption, "Start");
    EXPECT_EQ(e.Frame6[1].caption, "Ende");
    EXPECT_EQ(e.Command1.caption, "Stopsound");
    EXPECT_EQ(e.Command2.caption, "PlayLoop");
    const char* rows[] = {"Panzersound", "Schuss", "Turm", "Backround"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(e.Frame1[i].caption, rows[i]);
        EXPECT_EQ(e.Option1[i].caption, std::to_string(i + 1));
        EXPECT_EQ(e.Option2[i].caption, "");
    }
    const char* segments[] = {"Motorstart", "Motorleerlaufstart", "Beschleunigen",
                              "Fahren",     "Bremsen",            "Motorstop"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(e.Option3[i].caption, segments[i]);
    EXPECT_EQ(e.Slider2.min, -50);
    EXPECT_EQ(e.Slider2.max, 0);
    EXPECT_EQ(e.Slider1[0].smallChange, 1);
    EXPECT_EQ(e.Slider1[0].largeChange, 5);
}

TEST_F(SoundeditWindow, TheFileListShowsWaveFilesOfTheCategoryInAnyCase) {
    addFile("dsound/Schuss/readme.txt");
    addFile("dsound/Schuss/Crack.Wav");
    std::filesystem::create_directories(dir / "dsound/Schuss/folder.wav");
    open();
    EXPECT_THAT(editor->File1.items, ElementsAre("tank0.wav", "tank2.wav"));
    click(editor->Option2, CATEGORY_SHOT);
    EXPECT_THAT(editor->File1.items, ElementsAre("bang.wav", "boom.WAV", "Crack.Wav"));
    click(editor->Option2, CATEGORY_BACKGROUND);
    EXPECT_THAT(editor->File1.items, ElementsAre("wind.wav"));
}

TEST_F(SoundeditWindow, TheSoundFolderIsFoundWithoutRegardToCase) {
    std::filesystem::rename(dir / "dsound/Schuss", dir / "dsound/SCHUSS");
    data.currentcontroller = 2;
    open();
    click(editor->Option2, CATEGORY_SHOT);
    EXPECT_THAT(editor->File1.items, ElementsAre("bang.wav", "boom.WAV"));
    EXPECT_EQ(previewName(), "bang.wav");
}

TEST_F(SoundeditWindow, PickingAShotSoundAssignsAndPlaysIt) {
    data.currentcontroller = 2;
    open();
    click(editor->Option2, CATEGORY_SHOT);
    pick("boom.WAV");

    EXPECT_EQ(data.controllers[2].shotsound.file, "boom.WAV");
    EXPECT_EQ(editor->Label3[1].caption, "boom.WAV");
    EXPECT_EQ(previewName(), "boom.WAV");
    EXPECT_TRUE(preview()->playing());
    EXPECT_FALSE(preview()->looping()) << "a picked file plays once";
    EXPECT_FALSE(editor->Frame5.enabled);
    EXPECT_EQ(data.controllers[2].enginesound.file, "tank2.wav") << "other slots stay";
}

TEST_F(SoundeditWindow, PickingAnEngineSoundReadsItsPositionsAndSetsTheSliders) {
    addFile("dsound/tank0.dat", " 10 \r\n 20 \r\n 30 \r\n 40 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    posladen(data);  // as the main window does at start: controller 0 uses tank0.wav
    log->sounds["tank0.wav"].bytes = 5000;
    data.currentcontroller = 2;
    open();
    pick("tank0.wav");

    auto& c2 = data.controllers[2];
    EXPECT_EQ(c2.enginesound.file, "tank0.wav");
    EXPECT_EQ(c2.enginesound.length, 5000);
    EXPECT_EQ(c2.positions[1].start, 30);
    EXPECT_EQ(c2.positions[1].end, 40);
    EXPECT_EQ(editor->Slider1[0].max, 5000);
    EXPECT_EQ(editor->Slider1[0].value, 10);
    EXPECT_EQ(editor->Slider1[1].value, 20);
    EXPECT_EQ(preview()->position(), 10);

    pick("tank2.wav");  // has no positions file: all twelve values become 0
    for (const auto& seg : c2.positions) {
        EXPECT_EQ(seg.start, 0);
        EXPECT_EQ(seg.end, 0);
    }
}

TEST_F(SoundeditWindow, ANameNotEndingInWavChangesNothing) {
    data.currentcontroller = 2;
    open();
    click(editor->Option2, CATEGORY_SHOT);
    log->clear();
    for (const char* name : {"bang.wa", "notes.txt", "wav", ""}) {
        editor->File1.items = {name};
        editor->File1.click(0);
    }
    EXPECT_THAT(system.messages,
                ElementsAre("Keine .wav Datei", "Keine .wav Datei", "Keine .wav Datei", "Keine .wav Datei"));
    EXPECT_EQ(data.controllers[2].shotsound.file, "bang.wav");
    EXPECT_EQ(editor->Label3[1].caption, "bang.wav");
    EXPECT_EQ(previewName(), "bang.wav");
    EXPECT_EQ(editor->Frame7.caption, "Volume:  0%") << "the caption soundladen wrote stays";
    for (const auto& event : events()) EXPECT_EQ(event.rfind("MsgBox", 0), 0u) << event;
}

TEST_F(SoundeditWindow, SwitchingControllerKeepsCategoryAndSegment) {
    data.controllers[0].shotsound.file = "boom.WAV";
    data.currentcontroller = 2;
    open();
    click(editor->Option3, FAHREN);
    click(editor->Option2, CATEGORY_SHOT);
    click(editor->Option1, 0);

    EXPECT_EQ(editor->currentController(), 0);
    EXPECT_EQ(editor->currentCategory(), CATEGORY_SHOT);
    EXPECT_EQ(editor->currentSegment(), FAHREN);
    EXPECT_EQ(previewName(), "boom.WAV");
    EXPECT_EQ(editor->Label3[0].caption, "tank0.wav");
    EXPECT_FALSE(editor->Frame5.enabled);
}

TEST_F(SoundeditWindow, AnEmptySlotLoadsNothingAndKeepsThePreview) {
    data.currentcontroller = 2;
    open();
    click(editor->Option1, 1);  // controller 1 has only empty slots

    EXPECT_EQ(previewName(), "tank2.wav");
    EXPECT_EQ(editor->Slider1[0].max, 0);
    EXPECT_EQ(editor->Slider1[1].max, 0);
    EXPECT_EQ(editor->Label4[1].caption, "0");
    EXPECT_EQ(editor->Label3[0].caption, "leer");
}

TEST_F(SoundeditWindow, MissingDamagedOrStrayFilesAreTreatedAsEmptySlots) {
    data.controllers[0].enginesound.file = "../dsound/tank2.wav";  // from a hand-edited IR.ini
    data.controllers[1].enginesound.file = "gone.wav";
    data.controllers[3].enginesound.file = "tank0.wav";
    log->damagedFiles.insert("tank0.wav");
    data.currentcontroller = 2;
    open();

    for (const auto& path : log->loads) EXPECT_EQ(path.find(".."), std::string::npos) << path;
    for (int16_t c : {0, 1, 3}) {
        click(editor->Option1, c);
        EXPECT_EQ(previewName(), "tank2.wav") << "controller " << c;
        EXPECT_EQ(editor->Slider1[1].max, 0) << "controller " << c;
        EXPECT_TRUE(system.messages.empty()) << "controller " << c;
    }
}

TEST_F(SoundeditWindow, NothingLoadedYetLeavesThePreviewAlone) {
    for (auto& c : data.controllers) c.enginesound.file = EMPTY_SOUND;
    data.atmosound.file = EMPTY_SOUND;
    open();
    editor->Command2_Click();
    editor->Command1_Click();
    editor->Timer1_Timer();
    editor->Slider2.userMove(-10);
    click(editor->Option3, 2);
    editor->Form_Unload();
    EXPECT_EQ(editor->preview(), nullptr);
    EXPECT_TRUE(editor->Command2.enabled);
}

struct VolumeCase {
    int32_t volume;
    int32_t slider;
    const char* separator;
    const char* loadCaption;   // after soundladen
    const char* shownCaption;  // after Anzeige shows the slider's value
};

void PrintTo(const VolumeCase& v, std::ostream* os) { *os << "volume " << v.volume << " sep '" << v.separator << "'"; }

class VolumeDisplay : public SoundeditWindow, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(VolumeDisplay, ShowsWholeDecibelsOnTheSliderAndTheExactValueAfterLoading) {
    const VolumeCase& v = GetParam();
    system.separator = v.separator;
    data.controllers[2].shotsound.volume = v.volume;
    data.currentcontroller = 2;
    open();
    click(editor->Option2, CATEGORY_SHOT);
    EXPECT_EQ(editor->Slider2.value, v.slider);
    EXPECT_EQ(editor->Frame7.caption, v.loadCaption);
    EXPECT_EQ(preview()->volume(), v.volume);

    click(editor->Option1, 2);
    EXPECT_EQ(editor->Frame7.caption, v.shownCaption);
    EXPECT_EQ(data.controllers[2].shotsound.volume, v.volume) << "showing never changes the volume";
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, VolumeDisplay,
    ::testing::Values(VolumeCase{-1250, -12, ".", "Volume:  -12.5%", "Volume: -12%"},
                      VolumeCase{-1350, -14, ".", "Volume:  -13.5%", "Volume: -14%"},
                      VolumeCase{-1250, -12, ",", "Volume:  -12,5%", "Volume: -12%"},
                      VolumeCase{-1200, -12, ".", "Volume:  -12%", "Volume: -12%"},
                      VolumeCase{-1234, -12, ".", "Volume:  -12.34%", "Volume: -12%"},
                      VolumeCase{-5, 0, ".", "Volume:  -0.05%", "Volume: 0%"},
                      VolumeCase{0, 0, ".", "Volume:  0%", "Volume: 0%"},
                      VolumeCase{-9000, -50, ".", "Volume:  -90%", "Volume: -50%"},
                      VolumeCase{300, 0, ".", "Volume:  3%", "Volume: 0%"}));

TEST_F(SoundeditWindow, MovingTheVolumeSliderSetsTheSlotAndThePreview) {
    data.currentcontroller = 2;
    open();
    click(editor->Option2, CATEGORY_BACKGROUND);
    editor->Slider2.userMove(-20);

    EXPECT_EQ(data.atmosound.volume, -2000);
    EXPECT_EQ(editor->Frame7.caption, "Volume: -20%");
    EXPECT_EQ(preview()->volume(), -2000);

    click(editor->Option2, CATEGORY_TURRET);
    editor->Slider2.userMove(-7);
    EXPECT_EQ(data.controllers[2].turretsound.volume, -700);
    EXPECT_EQ(data.atmosound.volume, -2000);
}

TEST_F(SoundeditWindow, SettingTheVolumeSliderFromTheProgramChangesNoVolume) {
    data.controllers[2].enginesound.volume = -1250;
    data.currentcontroller = 2;
    open();
    EXPECT_EQ(editor->Slider2.value, -12);
    EXPECT_EQ(data.controllers[2].enginesound.volume, -1250);
}

TEST_F(SoundeditWindow, ClosingSavesThenReloadsInOrder) {
    data.currentcontroller = 2;
    bool positionsWrittenBeforeReload = false;
    owner.onInitladen = [&] { positionsWrittenBeforeReload = std::filesystem::exists(dir / "dsound/tank2.dat"); };
    open();
    log->clear();
    editor->Form_Unload();

    EXPECT_THAT(events(), ElementsAre("initsave", "tank2.wav Stop()", "initladen", "main soundladen",
                                      "main posladen", "Timer2 enabled", "TIMEINIT"));
    EXPECT_EQ(editor->preview(), nullptr) << "the preview goes with the window";
    EXPECT_TRUE(positionsWrittenBeforeReload);
    EXPECT_TRUE(std::filesystem::exists(dir / "dsound/tank0.dat"));
    EXPECT_FALSE(editor->Timer1.enabled);
}

TEST_F(SoundeditWindow, ASilentPreviewIsNotStoppedOnClose) {
    open();
    editor->Command1_Click();
    log->clear();
    editor->Form_Unload();
    EXPECT_EQ(countEvent("tank0.wav Stop()"), 0);
}

TEST_F(SoundeditWindow, SettingsThatCannotBeSavedAreReportedAndNotReadBackOverTheEdits) {
    owner.initsaveError = "IR.ini cannot be written: read-only folder";
    open();
    log->clear();
    editor->Form_Unload();

    EXPECT_THAT(system.messages, ElementsAre("IR.ini cannot be written: read-only folder"));
    EXPECT_EQ(countEvent("initladen"), 0);
    EXPECT_EQ(countEvent("main soundladen"), 1);
    EXPECT_EQ(countEvent("main posladen"), 1);
    EXPECT_EQ(countEvent("Timer2 enabled"), 1);
}

TEST_F(SoundeditWindow, PositionsThatCannotBeSavedAreReportedAndNotReadBack) {
    std::filesystem::create_directories(dir / "dsound/tank0.dat");  // a folder blocks the file
    open();
    log->clear();
    editor->Form_Unload();

    ASSERT_EQ(system.messages.size(), 1u);
    EXPECT_NE(system.messages[0].find("tank0.dat"), std::string::npos) << system.messages[0];
    EXPECT_EQ(countEvent("main posladen"), 0);
    EXPECT_EQ(countEvent("initladen"), 1);
    EXPECT_EQ(countEvent("TIMEINIT"), 1);
}

// Both saves failing: one message, each file that kept its old contents
// named once, also when several controllers share the engine sound.
TEST_F(SoundeditWindow, FailedSavesAreOneMessageNamingEachFileOnce) {
    owner.initsaveError = "Nicht gespeichert, die Datei behält ihren alten Inhalt: IR.ini (schreibgeschützt)";
    for (auto& c : data.controllers) c.enginesound.file = "tank0.wav";
    std::filesystem::create_directories(dir / "dsound/tank0.dat");  // a folder blocks the file
    open();
    editor->Form_Unload();

    ASSERT_EQ(system.messages.size(), 1u);
    const std::string& text = system.messages[0];
    EXPECT_NE(text.find(owner.initsaveError), std::string::npos) << text;
    EXPECT_NE(text.find("tank0.dat"), std::string::npos) << text;
    EXPECT_EQ(text.find("tank0.dat"), text.rfind("tank0.dat")) << text;
    EXPECT_TRUE(data.positionsUnsaved) << "the program's end tries again";
}

// The installed set used read-only: nothing is written, each file whose
// edits are lost is named once in the run, and the edits stay in use.
TEST_F(SoundeditWindow, InAReadOnlyFolderEachUnsavedFileIsNamedOnceAndTheEditsStay) {
    data.readOnlyFolder = true;
    addFile("dsound/tank2.dat", " 100 \r\n 900 \r\n");
    open();
    editor->Form_Unload();
    EXPECT_THAT(system.messages, ::testing::IsEmpty()) << "nothing changed, nothing to say";
    for (int32_t end : {600, 602}) {
        open();
        editor->Slider1[1].userMove(end);
        log->clear();
        editor->Form_Unload();
        EXPECT_EQ(countEvent("main posladen"), 0) << end;
        const auto& positions = data.controllers[0].positions;
        EXPECT_TRUE(std::any_of(positions.begin(), positions.end(), [end](const segment& s) { return s.end == end; }));
    }
    ASSERT_EQ(system.messages.size(), 1u);
    EXPECT_NE(system.messages[0].find("tank0.dat (der Ordner wird in diesem Lauf nur gelesen)"), std::string::npos)
        << system.messages[0];
    EXPECT_FALSE(std::filesystem::exists(dir / "dsound/tank0.dat"));
}

// The positions belong to the engine sound: marking a segment for one
// controller marks it for every controller with that sound, and a controller
// given the sound takes its positions as they stand, not as last saved.
TEST_F(SoundeditWindow, MarkingASharedEngineSoundMarksItForEveryControllerWithIt) {
    addFile("dsound/tank2.dat", " 0 \r\n 100 \r\n");
    data.controllers[3].enginesound.file = "TANK2.WAV";
    data.currentcontroller = 2;
    open();
    click(editor->Option3, MOTORLEERLAUFSTART);
    editor->Slider1[1].userMove(7000);
    EXPECT_EQ(data.controllers[3].positions[MOTORLEERLAUFSTART].end, 7000);
    EXPECT_EQ(data.controllers[0].positions[MOTORLEERLAUFSTART].end, 0) << "tank0.wav is another sound";

    click(editor->Option1, 1);
    pick("tank2.wav");
    EXPECT_EQ(data.controllers[1].positions[MOTORLEERLAUFSTART].end, 7000);
    EXPECT_EQ(data.controllers[1].positions[MOTORSTART].end, 900);
}

// A name the file system cannot hold is refused when picked, not cut; an
// engine sound whose positions file cannot be read says so.
TEST_F(SoundeditWindow, RefusesANameTooLongAndNamesAPositionsFileItCannotRead) {
    addFile("dsound/tank5.wav");
    std::filesystem::create_directories(dir / "dsound/tank5.dat");
    data.currentcontroller = 2;
    open();
    editor->File1.items.push_back(std::string(300, 'n') + ".wav");
    pick(editor->File1.items.back());
    EXPECT_THAT(system.messages, ElementsAre(NAME_TOO_LONG_MESSAGE));
    EXPECT_EQ(data.controllers[2].enginesound.file, "tank2.wav");

    pick("tank5.wav");
    ASSERT_EQ(system.messages.size(), 2u);
    EXPECT_NE(system.messages[1].find("tank5.dat"), std::string::npos) << system.messages[1];
}

// A wave the device cannot use (too long, no sound data, damaged) is named
// when it is picked, not first at the close, and the slot keeps its sound.
TEST_F(SoundeditWindow, AWaveTheDeviceRefusesIsNamedWhenPickedAndNotTaken) {
    addFile("dsound/long.wav");
    log->damagedFiles.insert("long.wav");
    data.currentcontroller = 2;
    open();
    pick("long.wav");

    EXPECT_THAT(system.messages, ElementsAre("Sounddatei konnte nicht geladen werden: " + data.programDir +
                                             "/dsound/long.wav: damaged"));
    EXPECT_EQ(data.controllers[2].enginesound.file, "tank2.wav");
    EXPECT_EQ(data.controllers[2].positions[0].end, 900) << "long.wav has no positions file: they would be 0";
    EXPECT_EQ(editor->Label3[0].caption, "tank2.wav");
    EXPECT_EQ(previewName(), "tank2.wav");
    EXPECT_EQ(editor->Slider1[1].max, 8000);
}

// A name in the Windows code page shows as on Windows, plays, and stays as
// it was read.
TEST_F(SoundeditWindow, ANameFromWindowsShowsAndPlaysAsThere) {
    addFile("dsound/Motor-gro\xC3\x9F.wav");
    data.controllers[2].enginesound.file = "Motor-gro\xDF.wav";
    data.currentcontroller = 2;
    open();
    EXPECT_EQ(editor->Label3[0].caption, "Motor-gro\xC3\x9F.wav");
    EXPECT_EQ(previewName(), "Motor-gro\xC3\x9F.wav");
    EXPECT_EQ(data.controllers[2].enginesound.file, "Motor-gro\xDF.wav");
}

TEST_F(SoundeditWindow, ReopeningStartsInTheEngineCategoryOnSegmentZero) {
    data.currentcontroller = 2;
    open();
    click(editor->Option3, BREMSEN);
    click(editor->Option2, CATEGORY_BACKGROUND);
    editor->Form_Unload();
    data.currentcontroller = 0;
    open();

    EXPECT_EQ(editor->currentCategory(), CATEGORY_ENGINE);
    EXPECT_EQ(editor->currentSegment(), MOTORSTART);
    EXPECT_EQ(editor->currentController(), 0);
    EXPECT_TRUE(editor->Option3[0].value);
    EXPECT_FALSE(editor->Option3[BREMSEN].value);
    EXPECT_TRUE(editor->Frame5.enabled);
    EXPECT_EQ(previewName(), "tank0.wav");
    EXPECT_TRUE(editor->Timer1.enabled);
}

}  // namespace
}  // namespace rumblet::testing
