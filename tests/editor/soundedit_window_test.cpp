// The editor's Qt window driven through real widget events: what the user
// clicks, picks, drags and closes reaches the editor, and what the editor
// sets shows in the widgets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "editor/qt/soundedit_dialog.h"
#include "qt_test_support.h"
#include "soundedit_fixture.h"

namespace rumblet::testing {
namespace {

using qttest::clickIndicator;
using qttest::clickRow;
using ::testing::ElementsAre;

// The window's real system (message boxes, sleep), writing down the sleeps
// and the stopwatch restart.
class WindowSystem : public qtskin::QtSoundeditSystem {
public:
    explicit WindowSystem(std::shared_ptr<SoundLog> log)
        : QtSoundeditSystem([log] { note(*log, "TIMEINIT"); }) {}
    void Sleep(int32_t ms) override {
        sleptMs += ms;
        QtSoundeditSystem::Sleep(ms);
    }
    int32_t sleptMs = 0;
};

class SoundeditDialogTest : public SoundeditFixture {
protected:
    void SetUp() override {
        SoundeditFixture::SetUp();
        useSoundSet();
        data.controllers[2].enginesound.volume = -1250;
        data.controllers[2].positions[1] = {900, 2000};
        data.currentcontroller = 2;
        editor = std::make_unique<Soundedit>(data, owner, windowSystem);
    }
    void TearDown() override {
        dialog.reset();
        SoundeditFixture::TearDown();
    }

    // Opens the window as the Soundedit button does, but returns at once so
    // the test can act as the user.
    void show() {
        dialog = std::make_unique<qtskin::SoundeditDialog>(*editor, nullptr);
        editor->Form_Load();
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    template <typename W>
    W* widget(const char* name) {
        W* w = dialog->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no widget " << name;
        return w;
    }
    QString text(const char* labelName) { return widget<QLabel>(labelName)->text(); }

    WindowSystem windowSystem{log};
    std::unique_ptr<qtskin::SoundeditDialog> dialog;
};

TEST_F(SoundeditDialogTest, OpensShowingTheLastController) {
    show();
    EXPECT_EQ(dialog->windowTitle(), "Soundedit");
    EXPECT_EQ(dialog->size(), QSize(753, 286));
    EXPECT_TRUE(widget<QRadioButton>("Option1_2")->isChecked());
    EXPECT_EQ(widget<QRadioButton>("Option1_2")->text(), "3");
    EXPECT_FALSE(widget<QRadioButton>("Option1_0")->isChecked());
    EXPECT_TRUE(widget<QRadioButton>("Option2_0")->isChecked());
    EXPECT_TRUE(widget<QRadioButton>("Option3_0")->isChecked());
    EXPECT_EQ(text("Label3_0"), "tank2.wav");
    EXPECT_EQ(text("Label3_3"), "wind.wav");
    EXPECT_EQ(widget<QGroupBox>("Frame7")->title(), "Volume: -12%");
    EXPECT_EQ(widget<QSlider>("Slider2")->value(), -12);
    EXPECT_EQ(data.controllers[2].enginesound.volume, -1250) << "the program's slider setting is no user move";
    EXPECT_EQ(widget<QSlider>("Slider1_0")->maximum(), 8000);
    EXPECT_EQ(widget<QSlider>("Slider1_0")->value(), 100);
    EXPECT_EQ(widget<QSlider>("Slider1_1")->value(), 900);
    EXPECT_EQ(widget<QSlider>("Slider1_1")->tickInterval(), 400);
    EXPECT_EQ(text("Label4_1"), "900");
    EXPECT_EQ(widget<QListWidget>("File1")->count(), 2);
    EXPECT_EQ(widget<QGroupBox>("Frame5")->title(), "Positionen Panzersound");
    EXPECT_EQ(widget<QPushButton>("Command1")->text(), "Stopsound");
    EXPECT_EQ(widget<QPushButton>("Command2")->text(), "PlayLoop");
    qttest::saveScreenshot(dialog.get(), "soundedit");
}

TEST_F(SoundeditDialogTest, ChoosingTheShotCategoryAndPickingAFile) {
    show();
    clickIndicator(widget<QRadioButton>("Option2_1"));
    EXPECT_TRUE(widget<QRadioButton>("Option2_1")->isChecked());
    EXPECT_FALSE(widget<QRadioButton>("Option2_0")->isChecked());
    EXPECT_FALSE(widget<QGroupBox>("Frame5")->isEnabled());
    auto* list = widget<QListWidget>("File1");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "boom.WAV");

    clickRow(list, 1);
    EXPECT_EQ(data.controllers[2].shotsound.file, "boom.WAV");
    EXPECT_EQ(text("Label3_1"), "boom.WAV");
    EXPECT_EQ(previewName(), "boom.WAV");
    qttest::saveScreenshot(dialog.get(), "soundedit-shot");
}

TEST_F(SoundeditDialogTest, ClickingTheSelectedOptionAgainKeepsItSelected) {
    show();
    auto* option = widget<QRadioButton>("Option1_2");
    log->clear();
    log->loads.clear();
    clickIndicator(option);
    EXPECT_TRUE(option->isChecked());
    EXPECT_EQ(log->loads.size(), 1u) << "the click handler ran again and loaded the engine sound";
}

TEST_F(SoundeditDialogTest, ANameNotEndingInWavShowsTheMessage) {
    show();
    editor->File1.items = {"tank0.wav", "tank2.wav", "notes.txt"};
    editor->File1.changed();
    qttest::MessageBoxAnswerer answerer;
    clickRow(widget<QListWidget>("File1"), 2);
    EXPECT_THAT(answerer.texts, ElementsAre("Keine .wav Datei"));
    EXPECT_THAT(answerer.titles, ElementsAre("rumblet"));
    EXPECT_FALSE(answerer.sawOtherButtons);
    EXPECT_EQ(data.controllers[2].enginesound.file, "tank2.wav");
}

TEST_F(SoundeditDialogTest, TheVolumeSliderFollowsTheKeys) {
    show();
    auto* slider = widget<QSlider>("Slider2");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(data.controllers[2].enginesound.volume, -1300);
    EXPECT_EQ(widget<QGroupBox>("Frame7")->title(), "Volume: -13%");
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(data.controllers[2].enginesound.volume, -5000);
    EXPECT_EQ(preview()->volume(), -5000);
    EXPECT_EQ(slider->value(), -50);
}

TEST_F(SoundeditDialogTest, DraggingTheStartPastTheEndStopsItAtTheEnd) {
    show();
    auto* start = widget<QSlider>("Slider1_0");
    start->setFocus();
    QTest::keyClick(start, Qt::Key_End);
    EXPECT_EQ(start->value(), 900);
    EXPECT_EQ(text("Label4_0"), "900");
    EXPECT_EQ(text("Label4_1"), "900");
    EXPECT_EQ(data.controllers[2].positions[0].start, 900);

    auto* end = widget<QSlider>("Slider1_1");
    qttest::dragSliderHandle(end, 0);
    EXPECT_LT(data.controllers[2].positions[0].end, 900) << "the end follows the mouse";
    EXPECT_EQ(data.controllers[2].positions[0].start, data.controllers[2].positions[0].end);
    EXPECT_EQ(start->value(), end->value());
}

TEST_F(SoundeditDialogTest, PlayLoopAndStopsound) {
    show();
    auto* play = widget<QPushButton>("Command2");
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(preview()->looping());
    QTest::mouseClick(widget<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_TRUE(play->isEnabled());
    EXPECT_FALSE(preview()->playing());
}

TEST_F(SoundeditDialogTest, TheSegmentLoopTicksWhileEventsAreProcessed) {
    show();
    clickIndicator(widget<QRadioButton>("Option3_1"));
    EXPECT_EQ(preview()->position(), 900);
    preview()->setPlayCursor(2500);  // the sound has run past the segment's end
    qttest::processEventsFor(50);
    EXPECT_EQ(preview()->position(), 900);
    EXPECT_GT(windowSystem.sleptMs, 0);
}

TEST_F(SoundeditDialogTest, ClosingTheWindowSavesAndReloads) {
    show();
    log->clear();
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_THAT(events(), ElementsAre("initsave", "tank2.wav Stop()", "initladen", "main soundladen",
                                      "main posladen", "Timer2 enabled", "TIMEINIT"));
    EXPECT_TRUE(std::filesystem::exists(dir / "dsound/tank2.dat"));
}

TEST_F(SoundeditDialogTest, ShownModallyItReturnsOnlyWhenClosed) {
    dialog = std::make_unique<qtskin::SoundeditDialog>(*editor, nullptr);
    bool sawItOpen = false;
    QTimer::singleShot(20, [&] {
        sawItOpen = dialog->isVisible() && dialog->isModal();
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    });
    dialog->showModal();
    EXPECT_TRUE(sawItOpen);
    EXPECT_EQ(countEvent("initsave"), 1);
}

}  // namespace
}  // namespace rumblet::testing
