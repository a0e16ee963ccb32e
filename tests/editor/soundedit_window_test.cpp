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

#include <QWheelEvent>
#include <cmath>

#include "editor/qt/soundedit_dialog.h"
#include "editor/qt/waveform_strip_widget.h"
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
    EXPECT_EQ(dialog->size(), QSize(753, 392)) << "the controls' 286 pixels and the waveform strip below";
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

// An engine sound of three seconds whose six phases look like what they
// are: cranking, idle, revving up, driving, braking and dying away.
std::vector<float> engineSound(int rate) {
    std::vector<float> out(static_cast<size_t>(3 * rate));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / rate;
        const double hz = t < 1.2 ? 25 : t < 1.8 ? 25 + (t - 1.2) * 60 : t < 2.4 ? 61 : std::max(20.0, 61 - (t - 2.4) * 90);
        const double level = t < 0.4 ? 0.2 + t : t < 1.2 ? 0.45 : t < 2.4 ? 0.8 : t < 2.7 ? 0.55 : 0.55 * (3.0 - t) / 0.3;
        phase += hz / rate;
        const double cycle = phase - std::floor(phase);
        out[i] = float(level * (0.75 * std::exp(-6 * cycle) * std::sin(8 * M_PI * cycle) + 0.2 * std::sin(2 * M_PI * phase)));
    }
    return out;
}

class WaveformStripTest : public SoundeditDialogTest {
protected:
    static constexpr int RATE = 22050;
    void SetUp() override {
        SoundeditDialogTest::SetUp();
        addWave("dsound/engine.wav", engineSound(RATE), 1, RATE);
        addWave("dsound/Schuss/shot.wav", sineWave(180, RATE / 2, RATE, 0.9), 1, RATE);
        auto& c2 = data.controllers[2];
        c2.enginesound.file = "engine.wav";
        const double bounds[] = {0, 0.4, 1.2, 1.8, 2.4, 2.7, 3.0};
        for (int s = 0; s < 6; ++s) c2.positions[s] = {bytesAt(bounds[s]), bytesAt(bounds[s + 1])};
        show();
        strip = widget<qtskin::WaveformStripWidget>("WaveStrip");
        strip->refresh();
    }
    static int32_t bytesAt(double seconds) { return int32_t(std::lround(seconds * RATE)) * 2; }
    // Drags with the left button from one place of the strip to another.
    void drag(double fromX, double toX) {
        const int y = strip->height() / 2;
        QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(int(std::lround(fromX)), y));
        QTest::mouseMove(strip, QPoint(int(std::lround((fromX + toX) / 2)), y));
        QTest::mouseMove(strip, QPoint(int(std::lround(toX)), y));
        QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, QPoint(int(std::lround(toX)), y));
        strip->refresh();
    }
    void wheel(double x, int notches) {
        const QPointF at(x, strip->height() / 2.0);
        QWheelEvent event(at, strip->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(strip, &event);
    }
    qtskin::WaveformStripWidget* strip = nullptr;
};

TEST_F(WaveformStripTest, DraggingAMarkerMovesItsSliderByTheSliderRules) {
    EXPECT_GE(strip->geometry().top(), widget<QGroupBox>("Frame4")->geometry().bottom());
    ASSERT_NE(strip->strip().sound(), nullptr);
    clickIndicator(widget<QRadioButton>("Option3_3"));  // "Fahren"
    strip->refresh();
    auto& fahren = data.controllers[2].positions[3];
    const int32_t start = fahren.start;

    const double target = strip->xOfByte(bytesAt(2.2));
    drag(strip->xOfByte(fahren.end), target);
    const int32_t expected = strip->strip().byteAt(strip->columnAt(QPointF(std::lround(target), 0)));
    EXPECT_NEAR(expected, bytesAt(2.2), 2 * 2 * RATE * 3 / strip->strip().width());
    EXPECT_EQ(fahren.end, expected);
    EXPECT_EQ(fahren.start, start);
    EXPECT_EQ(widget<QSlider>("Slider1_1")->value(), expected);
    EXPECT_EQ(text("Label4_1"), QString::number(expected));
    qttest::saveScreenshot(dialog.get(), "soundedit-waveform");

    drag(strip->xOfByte(start), strip->xOfByte(bytesAt(2.6)));
    EXPECT_EQ(fahren.start, expected) << "the start is pulled back to the end";
    EXPECT_EQ(widget<QSlider>("Slider1_0")->value(), expected);
    EXPECT_EQ(text("Label4_0"), QString::number(expected));
}

TEST_F(WaveformStripTest, TheWheelZoomsToSingleSamplesAndADoubleClickShowsTheSegment) {
    clickIndicator(widget<QRadioButton>("Option3_1"));  // "Motorleerlaufstart"
    strip->refresh();
    const int32_t end = data.controllers[2].positions[1].end;
    const double x = strip->xOfByte(end);
    wheel(x, 30);
    EXPECT_DOUBLE_EQ(strip->strip().framesPerColumn(), 1.0 / WaveStrip::MAX_COLUMNS_PER_FRAME);
    EXPECT_NEAR(strip->xOfByte(end), x, 1.0) << "the zoom keeps the marker under the mouse";
    // At full zoom a drag of eight device pixels is one sample.
    drag(strip->xOfByte(end), strip->xOfByte(end) + 16 / strip->devicePixelRatioF());
    EXPECT_EQ(data.controllers[2].positions[1].end, end + 2 * 2);
    qttest::saveScreenshot(dialog.get(), "soundedit-waveform-zoom");

    wheel(x, -30);
    EXPECT_FALSE(strip->strip().zoomed());
    QTest::mouseDClick(strip, Qt::LeftButton, Qt::NoModifier, QPoint(strip->width() / 2, strip->height() / 2));
    EXPECT_TRUE(strip->strip().zoomed());
    EXPECT_NEAR(strip->xOfByte(data.controllers[2].positions[1].start), strip->width() * 0.1 / 1.2, 1.0);
    QTest::mouseDClick(strip, Qt::LeftButton, Qt::NoModifier, QPoint(strip->width() / 2, strip->height() / 2));
    EXPECT_FALSE(strip->strip().zoomed());
}

TEST_F(WaveformStripTest, AShotSoundShowsItsWave) {
    clickIndicator(widget<QRadioButton>("Option2_1"));
    clickRow(widget<QListWidget>("File1"), 2);
    ASSERT_EQ(data.controllers[2].shotsound.file, "shot.wav");
    strip->refresh();
    ASSERT_NE(strip->strip().sound(), nullptr);
    EXPECT_EQ(strip->strip().sound()->frames(), RATE / 2);
    qttest::saveScreenshot(dialog.get(), "soundedit-waveform-shot");
}

}  // namespace
}  // namespace rumblet::testing
