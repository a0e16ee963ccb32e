// The main window on Qt: start-up, the receive loop inside the ON button
// with the real yield, the check boxes, the watchdog timer, the modal sound
// editor and closing, with a virtual receiver line and a recording sound
// engine behind the window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QSlider>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "app/engine_sound_actions.h"
#include "app/mainform.h"
#include "app/runtime_error.h"
#include "window/qt/control_binding.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_window_services.h"
#include "app/main_form_link.h"
#include "editor/qt/soundedit_dialog.h"
#include "editor/soundedit.h"
#include "qt_test_support.h"
#include "tanksound/settings_file.h"
#include "tanksound/testing/recording_sound.h"
#include "sound_recorder.h"
#include "virtual_port.h"

namespace rumblet::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsSupersetOf;

// The real Qt window system, with an end that only writes itself down and
// a script of user actions run right after chosen yields of the receive loop.
class ScriptedWindowServices : public qtskin::QtWindowServices {
public:
    ScriptedWindowServices(std::function<void()> openEditor, EventLog& log)
        : QtWindowServices(std::move(openEditor), [&log] { log.push_back("end"); }) {}
    void yield() override {
        ++yields;
        QtWindowServices::yield();
        auto due = afterYield.find(yields);
        if (due != afterYield.end()) due->second();
        if (qtskin::programHasEnded()) throw ProgramEnded{};
    }
    int yields = 0;
    std::map<int, std::function<void()>> afterYield;
};

// The main window and the editor over the virtual line. The sound engine is
// the recording one of the receive-path tests, or, with RealSoundEngine, the
// real engine on the recording sound device, with its files in a temporary
// program folder.
template <bool RealSoundEngine>
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qtskin::resetProgramEnded();
        qtskin::setRuntimeErrorHandler([this](const std::exception& e) { window.runtimeError(e); });
        line.pollCostUs = 100;  // the line stays quiet: coarse polls keep the 12 s search short
    }
    void TearDown() override {
        qtskin::setRuntimeErrorHandler(nullptr);
        qtskin::resetProgramEnded();
    }

    // Start-up as the program's entry does it.
    void start(int16_t savedPort = 0) {
        recorder.savedPort = savedPort;
        form.Form_Load();
        ASSERT_TRUE(mainWindow.isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    }
    template <typename W>
    W* widget(const char* name) {
        W* w = mainWindow.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no widget " << name;
        return w;
    }
    QPushButton* on() { return widget<QPushButton>("Command4"); }
    QPushButton* off() { return widget<QPushButton>("Command2"); }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void clickBox(const char* name) { qttest::clickIndicator(widget<QAbstractButton>(name)); }
    // Events after the first one equal to `first`.
    std::vector<std::string> logAfter(const std::string& first) const {
        auto it = std::find(log.begin(), log.end(), first);
        return it == log.end() ? std::vector<std::string>{} : std::vector<std::string>(it + 1, log.end());
    }
    long count(const std::string& event) const { return std::count(log.begin(), log.end(), event); }

    void openEditor() {
        qtskin::SoundeditDialog dialog(editor, &mainWindow);
        dialog.showModal();
    }

    EventLog log;
    ProgramData data;
    VirtualPort line{&log};
    SoundRecorder recorder{log};
    EngineSoundActions engine{data};
    SoundActions& sounds = RealSoundEngine ? static_cast<SoundActions&>(engine) : recorder;
    ScriptedWindowServices window{[this] { openEditor(); }, log};
    MainForm form{data, line, sounds, window};
    qtskin::MainWindow mainWindow{form};
    MainFormLink owner{form, sounds, window};
    bool timeinitUnbound = false;  // the library lacks TIMEINIT
    qtskin::QtSoundeditSystem system{[this] {
        if (timeinitUnbound) throw RuntimeError("The function TIMEINIT is missing in libport.so");
        line.TIMEINIT();
    }};
    Soundedit editor{data, owner, system};
    int hooked = (window.setMainWindow(&mainWindow), 0);
};

class MainWindowTest : public MainWindowFixture<false> {};

TEST_F(MainWindowTest, StartsIdleWithoutAPortWhenTheSettingsNameNone) {
    start(0);
    EXPECT_EQ(mainWindow.windowTitle(), "rumblet   v.0.85.beta");
    EXPECT_EQ(mainWindow.size(), QSize(616, 175));
    EXPECT_FALSE(widget<QCheckBox>("Check1")->isChecked());
    EXPECT_FALSE(widget<QCheckBox>("Check2")->isChecked());
    EXPECT_TRUE(widget<QCheckBox>("Check3")->isChecked());
    EXPECT_EQ(widget<QCheckBox>("Check3")->text(), "");
    EXPECT_EQ(line.openPort, 0);
    EXPECT_EQ(on()->text(), "ON");
    EXPECT_TRUE(on()->isEnabled());
    EXPECT_FALSE(off()->isEnabled());
    EXPECT_EQ(widget<QLineEdit>("Text5_1")->text(), " 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7");
    EXPECT_EQ(widget<QLineEdit>("Text2_3")->text(), "");
    EXPECT_EQ(widget<QGroupBox>("Frame1")->title(), "Modell      Modus          Controller");
    EXPECT_EQ(widget<QGroupBox>("Frame2")->title(), "L    Speed   R");
    EXPECT_EQ(widget<QPushButton>("Command3")->text(), "Soundedit");
    EXPECT_EQ(widget<QCheckBox>("Check4")->text(), "Background");
    // Places in twips, relative to the frame: Text4(2) at 1800, 960 in Frame1.
    EXPECT_EQ(widget<QLineEdit>("Text4_2")->geometry(), QRect(120, 64, 65, 19));
    qttest::saveScreenshot(&mainWindow, "main-idle");

    qttest::MessageBoxAnswerer answerer;
    click(on());
    EXPECT_THAT(answerer.texts, ElementsAre("Select COM1 or COM2"));
    EXPECT_THAT(answerer.titles, ElementsAre("rumblet"));
    EXPECT_FALSE(answerer.sawOtherButtons);
    EXPECT_EQ(form.running, 0);
    EXPECT_EQ(on()->text(), "ON");
}

TEST_F(MainWindowTest, OpensThePortTheSettingsName) {
    start(2);
    EXPECT_EQ(line.openPort, 2);
    EXPECT_TRUE(widget<QCheckBox>("Check2")->isChecked());
    EXPECT_FALSE(widget<QCheckBox>("Check1")->isChecked());

    clickBox("Check1");
    EXPECT_EQ(form.comport, 1);
    EXPECT_EQ(line.openPort, 1);
    EXPECT_TRUE(widget<QCheckBox>("Check1")->isChecked());
    EXPECT_FALSE(widget<QCheckBox>("Check2")->isChecked());
}

TEST_F(MainWindowTest, OnRunsTheReceiveLoopUntilOffAndTheStepReturns) {
    start(1);
    qttest::MessageBoxAnswerer answerer;
    bool receivingShown = false, stillReceivingAfterOff = false;
    window.afterYield[3] = [&] {
        receivingShown = !on()->isEnabled() && on()->text() == "Sound run" && off()->isEnabled();
        qttest::saveScreenshot(&mainWindow, "main-receiving");
        click(off());
        stillReceivingAfterOff = !on()->isEnabled() && form.running == 0;
    };
    click(on());  // returns when the receive loop has ended

    EXPECT_TRUE(receivingShown);
    EXPECT_TRUE(stillReceivingAfterOff) << "the buttons wait for the receive step";
    EXPECT_EQ(count("soundstop"), 2) << "at OFF, and once more when the loop ends";
    EXPECT_THAT(answerer.texts, ElementsAre("        Kein Kontroller!"));
    EXPECT_EQ(on()->text(), "Start");
    EXPECT_TRUE(on()->isEnabled());
    EXPECT_FALSE(off()->isEnabled());
}

TEST_F(MainWindowTest, BackgroundPlaysOnlyWhileReceiving) {
    start(1);
    clickBox("Check4");
    EXPECT_EQ(count("atmoplay"), 0) << "checking it while idle plays nothing";
    clickBox("Check4");
    window.afterYield[2] = [&] { clickBox("Check4"); };
    window.afterYield[3] = [&] {
        EXPECT_EQ(count("atmoplay"), 1);
        clickBox("Check4");
        EXPECT_EQ(count("atmostop"), 3);
        click(off());
    };
    qttest::MessageBoxAnswerer answerer;
    click(on());
    EXPECT_EQ(count("atmoplay"), 1);
}

TEST_F(MainWindowTest, DiagnoseFollowsItsBox) {
    start(0);
    clickBox("Check3");
    EXPECT_EQ(form.diagnose, 0);
    EXPECT_FALSE(widget<QCheckBox>("Check3")->isChecked());
    clickBox("Check3");
    EXPECT_EQ(form.diagnose, 1);
}

TEST_F(MainWindowTest, TheWatchdogShowsBreakHalfASecondAfterStartUp) {
    start(0);
    EXPECT_EQ(widget<QLineEdit>("Text4_0")->text(), "");
    qttest::processEventsFor(700);
    for (const char* name : {"Text4_0", "Text4_1", "Text4_2", "Text4_3"})
        EXPECT_EQ(widget<QLineEdit>(name)->text(), "Break") << name;
    qttest::saveScreenshot(&mainWindow, "main-break");
}

TEST_F(MainWindowTest, TheEditorOpensModalWhileReceivingAndTheLoopGoesOn) {
    start(1);
    qttest::MessageBoxAnswerer answerer;
    bool editorWasModal = false, timer2PausedMeanwhile = false;
    window.afterYield[3] = [&] {
        QTimer::singleShot(30, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            editorWasModal = dialog && dialog->objectName() == "Soundedit" && dialog->parentWidget() == &mainWindow;
            timer2PausedMeanwhile = !form.Timer2.enabled;
            qttest::saveScreenshot(dialog, "soundedit-empty");
            if (dialog) QTest::keyClick(dialog, Qt::Key_Escape);
        });
        click(widget<QPushButton>("Command3"));  // returns when the editor has closed
    };
    window.afterYield[6] = [&] { click(off()); };
    click(on());

    EXPECT_TRUE(editorWasModal);
    EXPECT_TRUE(timer2PausedMeanwhile);
    EXPECT_TRUE(form.Timer2.enabled) << "the editor enables the watchdog again";
    EXPECT_GE(window.yields, 6) << "the receive loop went on after the editor";
    std::vector<std::string> reload;
    for (const auto& e : log)
        if (e == "soundstop" || e.rfind("initsave", 0) == 0 || e == "initladen" || e == "soundladen" ||
            e == "posladen")
            reload.push_back(e);
    EXPECT_THAT(reload, ElementsAre("initladen", "soundladen", "posladen",  // start-up
                                    "soundstop", "initsave 1", "initladen", "soundladen", "posladen",
                                    "soundstop", "soundstop"));
    EXPECT_EQ(line.timeinitCalls > 0, true);
}

TEST_F(MainWindowTest, ClosingWhileReceivingEndsTheProgramAtOnce) {
    start(1);
    window.afterYield[3] = [&] { mainWindow.close(); };
    click(on());

    EXPECT_THAT(logAfter("OPENCOM COM1:"), IsSupersetOf({"CLOSECOM", "initsave 1", "releaseSound", "end"}));
    EXPECT_TRUE(logAfter("end").empty()) << "nothing may run after the end, not even the loop's soundstop";
    EXPECT_FALSE(mainWindow.isVisible());
    click(on());
    EXPECT_TRUE(logAfter("end").empty());
}

TEST_F(MainWindowTest, ClosingWhenIdleClosesThePortSavesAndEnds) {
    start(2);
    log.clear();
    mainWindow.close();
    EXPECT_THAT(log, ElementsAre("CLOSECOM", "initsave 2", "releaseSound", "end"));
}

TEST_F(MainWindowTest, SettingsThatCannotBeSavedAtTheEndAreReported) {
    start(1);
    recorder.saveFailure = "IR.ini cannot be written in /read-only";
    qttest::MessageBoxAnswerer answerer;
    mainWindow.close();
    EXPECT_THAT(answerer.texts, ElementsAre(::testing::HasSubstr("IR.ini cannot be written")));
    EXPECT_EQ(log.back(), "end");
}

TEST_F(MainWindowTest, AFailureInTheEditorIsTheStandardRunTimeError) {
    start(0);
    timeinitUnbound = true;
    qttest::MessageBoxAnswerer answerer;
    QTimer::singleShot(30, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    click(widget<QPushButton>("Command3"));

    EXPECT_THAT(answerer.texts, ElementsAre("The function TIMEINIT is missing in libport.so"));
    EXPECT_EQ(log.back(), "end");
    EXPECT_FALSE(mainWindow.isVisible());
    click(on());
    EXPECT_EQ(log.back(), "end") << "no handler runs after the end";
}

class ProgramFolder : public MainWindowFixture<true> {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        std::string tmpl = ::testing::TempDir() + "rumblet-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        std::filesystem::create_directories(dir / "dsound");
        std::ofstream(dir / "dsound/tank.wav") << "";
        data.programDir = dir.string();
        data.directx = std::make_unique<RecordingSoundSystem>(soundLog);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        std::filesystem::remove_all(dir);
    }
    // IR.ini naming the engine sound tank.wav for controller 1, and a port.
    void writeSettings(int16_t comport) {
        ProgramData stored;
        for (auto& c : stored.controllers) c.enginesound.file = c.shotsound.file = c.turretsound.file = "leer";
        stored.atmosound.file = "leer";
        stored.controllers[1].enginesound.file = "tank.wav";
        stored.controllers[1].enginesound.volume = -700;
        std::ofstream(dir / "IR.ini", std::ios::binary) << formatSettings(stored, comport);
    }
    std::string settingsText() {
        std::ifstream in(dir / "IR.ini", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir;
    std::shared_ptr<SoundLog> soundLog = std::make_shared<SoundLog>();
};

TEST_F(ProgramFolder, StartsWithoutIrIniAndWritesOneWhenClosed) {
    start();
    EXPECT_EQ(line.openPort, 0);
    EXPECT_FALSE(widget<QCheckBox>("Check1")->isChecked());
    EXPECT_FALSE(widget<QCheckBox>("Check2")->isChecked());
    EXPECT_TRUE(soundLog->loads.empty());

    mainWindow.close();
    std::string saved = settingsText();
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 27) << saved;
    EXPECT_EQ(saved.rfind("leer\r\n", 0), 0u) << saved;
}

TEST_F(ProgramFolder, StartsWithTheSoundsAndThePortOfIrIni) {
    writeSettings(2);
    start();
    EXPECT_EQ(line.openPort, 2);
    EXPECT_TRUE(widget<QCheckBox>("Check2")->isChecked());
    ASSERT_EQ(soundLog->loads.size(), 1u);
    EXPECT_NE(soundLog->loads[0].find("tank.wav"), std::string::npos);
}

TEST_F(ProgramFolder, ClosingTheEditorSavesEverythingAndTheMainWindowReloadsIt) {
    writeSettings(1);
    data.currentcontroller = 1;
    start();
    soundLog->loads.clear();
    QTimer::singleShot(30, [] {
        auto* dialog = QApplication::activeModalWidget();
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("Slider2"));
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);  // the engine sound's volume to -50 dB
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    click(widget<QPushButton>("Command3"));

    EXPECT_EQ(data.controllers[1].enginesound.volume, -5000) << "read back from the saved IR.ini";
    EXPECT_NE(settingsText().find("-5000"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "dsound/tank.dat"));
    // The editor's preview, then the main window's reload.
    ASSERT_EQ(soundLog->loads.size(), 2u);
    EXPECT_TRUE(recorded(data.controllers[1].enginesound) != nullptr);
    EXPECT_TRUE(form.Timer2.enabled);
}

// The shipped IR.ini gives several controllers one engine sound: an edit made
// for one of them is the sound's, in memory and in its positions file.
TEST_F(ProgramFolder, AnEditOfASharedEngineSoundIsSavedForEveryControllerWithIt) {
    ProgramData stored;
    for (auto& c : stored.controllers) c.enginesound.file = c.shotsound.file = c.turretsound.file = "leer";
    stored.atmosound.file = "leer";
    stored.controllers[0].enginesound.file = "tank.wav";
    stored.controllers[2].enginesound.file = "TANK.wav";
    std::ofstream(dir / "IR.ini", std::ios::binary) << formatSettings(stored, 0);
    std::ofstream(dir / "dsound/tank.dat", std::ios::binary)
        << " 0 \r\n 100 \r\n 100 \r\n 200 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n";
    data.currentcontroller = 0;
    start();
    QTimer::singleShot(30, [] {
        auto* dialog = QApplication::activeModalWidget();
        qttest::clickIndicator(dialog->findChild<QAbstractButton*>(QStringLiteral("Option3_1")));  // Motorleerlaufstart
        auto* end = dialog->findChild<QSlider*>(QStringLiteral("Slider1_1"));
        end->setFocus();
        QTest::keyClick(end, Qt::Key_End);  // Ende to the sound's end
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    click(widget<QPushButton>("Command3"));

    const int32_t length = soundLog->standard.bytes;
    std::ifstream in(dir / "dsound/tank.dat", std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(saved.find(" 100 \r\n " + std::to_string(length) + " \r\n"), std::string::npos) << saved;
    for (int n : {0, 2}) EXPECT_EQ(data.controllers[n].positions[1].end, length) << "controller " << n;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "dsound"), {}), 2) << "one positions file";
}

// SIGTERM while the editor is open: the editor closes and saves as it
// always does, then the main window closes and saves IR.ini.
TEST_F(ProgramFolder, AnEndRequestClosesTheEditorWithItsSaveThenTheWindow) {
    writeSettings(0);
    data.currentcontroller = 1;
    qtskin::closeOnEndRequests(mainWindow);
    start();
    QTimer::singleShot(30, [] {
        auto* dialog = QApplication::activeModalWidget();
        auto* end = dialog->findChild<QSlider*>(QStringLiteral("Slider1_1"));
        end->setFocus();
        QTest::keyClick(end, Qt::Key_End);
        std::raise(SIGTERM);
    });
    click(widget<QPushButton>("Command3"));
    QTRY_COMPARE(count("end"), 1L);
    EXPECT_TRUE(std::filesystem::exists(dir / "dsound/tank.dat")) << "the editor's close saved the positions";
    EXPECT_EQ(settingsText().rfind("leer\r\n 0 \r\nleer\r\n 0 \r\nleer\r\n 0 \r\ntank.wav\r\n-700 \r\n", 0), 0u)
        << settingsText();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace rumblet::testing
