// The main window's Win32 skin: every control at its place with its caption,
// the tab order, clicks routed to the handlers, the message boxes' exact
// texts, the modal editor and the end of the Windows session, over the
// virtual receiver line and the recording sound engine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "app/main_form_link.h"
#include "app/mainform.h"
#include "app/win32/main_window.h"
#include "app/win32/win32_window_services.h"
#include "editor/soundedit.h"
#include "editor/win32/soundedit_window.h"
#include "sound_recorder.h"
#include "virtual_port.h"
#include "win32_test_support.h"
#include "window/user_action.h"
#include "window/win32/control_binding.h"
#include "window/win32/message_loop.h"

namespace rumblet::testing {
namespace {

using ::testing::ElementsAre;
using win32skin::windowText;
using win32test::MessageBoxAnswerer;

// The real window system, with an end that only writes itself down and a
// script of user actions run right after chosen yields of the receive loop.
class ScriptedWindowServices : public win32skin::Win32WindowServices {
public:
    ScriptedWindowServices(std::function<void()> openEditor, EventLog& log)
        : Win32WindowServices(std::move(openEditor), [&log] { log.push_back("end"); }) {}
    void yield() override {
        ++yields;
        Win32WindowServices::yield();
        auto due = afterYield.find(yields);
        if (due != afterYield.end()) due->second();
        if (programHasEnded()) throw ProgramEnded{};
    }
    int yields = 0;
    std::map<int, std::function<void()>> afterYield;
};

class MainWindowWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        resetProgramEnded();
        setRuntimeErrorHandler([this](const std::exception& e) { window.runtimeError(e); });
        line.pollCostUs = 100;  // the line stays quiet: coarse polls keep the 12 s search short
    }
    void TearDown() override {
        setRuntimeErrorHandler(nullptr);
        resetProgramEnded();
    }

    void start(int16_t savedPort = 0) {
        recorder.savedPort = savedPort;
        form.Form_Load();
        ASSERT_TRUE(IsWindowVisible(mainWindow.hwnd()));
    }
    HWND control(const std::string& name) {
        HWND hwnd = mainWindow.controlWindow(name);
        EXPECT_NE(hwnd, nullptr) << "no control window " << name;
        return hwnd;
    }
    // What a click does: the control window's own press and release.
    void click(const std::string& name) { SendMessageW(control(name), BM_CLICK, 0, 0); }
    bool checked(const std::string& name) { return SendMessageW(control(name), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    long count(const std::string& event) const { return std::count(log.begin(), log.end(), event); }

    void openEditor() {
        win32skin::SoundeditWindow dialog(editor, mainWindow.hwnd());
        dialog.showModal();
    }

    EventLog log;
    ProgramData data;
    VirtualPort line{&log};
    SoundRecorder recorder{log};
    ScriptedWindowServices window{[this] { openEditor(); }, log};
    MainForm form{data, line, recorder, window};
    win32skin::MainWindow mainWindow{form};
    MainFormLink owner{form, recorder, window};
    win32skin::Win32SoundeditSystem system{[this] { form.restartMillisecondStopwatch(); }};
    Soundedit editor{data, owner, system};
    int hooked = (window.setMainWindow(&mainWindow), 0);
};

// At 96 dpi the window has the Linux window's client size and every control
// the place of its layout, in twips, inside its frame: the same click
// coordinates reach the same controls.
TEST_F(MainWindowWin32Test, EveryControlAtItsPlaceWithItsCaption) {
    start(0);
    EXPECT_EQ(windowText(mainWindow.hwnd()), "rumblet   v.0.85.beta");
    const SIZE client = win32test::clientSize(mainWindow.hwnd());
    EXPECT_EQ(client.cx, 616);
    EXPECT_EQ(client.cy, 175);
    for (const PlacedControl& placed : form.layout()) {
        const HWND hwnd = control(placed.name);
        const HWND container = placed.container.empty() ? mainWindow.hwnd() : control(placed.container);
        EXPECT_EQ(GetParent(hwnd), container) << placed.name << " in " << placed.container;
        const auto want = win32skin::twipsPlace(placed.place.left, placed.place.top, placed.place.width,
                                                placed.place.height);
        const auto got = win32test::placeInParent(hwnd);
        EXPECT_EQ(std::tie(got.left, got.top, got.width, got.height),
                  std::tie(want.left, want.top, want.width, want.height))
            << placed.name;
        const std::string shown = std::visit(
            [](auto* c) {
                if constexpr (std::is_same_v<decltype(c), TextBox*>) return c->text;
                else return c->caption;
            },
            placed.control);
        EXPECT_EQ(windowText(hwnd), shown) << placed.name;
    }
    EXPECT_EQ(windowText(control("Frame1")), "Modell      Modus          Controller");
    EXPECT_EQ(windowText(control("Text5(1)")), " 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7");
}

// Moved to a screen of twice the dpi, the window scales its client area and
// every place with it, as the system asks a per-monitor aware program to.
TEST_F(MainWindowWin32Test, AScreenOfAnotherDpiScalesEveryPlace) {
    start(0);
    RECT suggested;
    GetWindowRect(mainWindow.hwnd(), &suggested);
    SendMessageW(mainWindow.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    const SIZE client = win32test::clientSize(mainWindow.hwnd());
    EXPECT_EQ(client.cx, 2 * 616);
    EXPECT_EQ(client.cy, 2 * 175);
    const auto text4 = win32test::placeInParent(control("Text4(2)"));  // 1800, 960 twips in Frame1
    EXPECT_EQ(std::tie(text4.left, text4.top, text4.width, text4.height), std::make_tuple(240, 128, 130, 38));
}

// Tab walks the controls in the layout's order, across frames, as the Linux
// window does; the disabled OFF button is left out.
TEST_F(MainWindowWin32Test, TabFollowsTheLayoutsOrder) {
    start(0);
    std::vector<std::string> expected;
    for (const PlacedControl& placed : form.layout())
        if (placed.kind != ControlKind::Frame && placed.name != "Command2") expected.push_back(placed.name);
    SetForegroundWindow(mainWindow.hwnd());
    SetFocus(control(expected.back()));
    std::vector<std::string> visited;
    for (size_t i = 0; i < expected.size(); ++i) {
        MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        win32skin::dispatch(tab);
        std::string name = "?";
        for (const auto& c : mainWindow.controls())
            if (c->hwnd() == GetFocus()) name = c->name();
        visited.push_back(name);
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(MainWindowWin32Test, AUserClickOnABoxRaisesItsHandlerOnceAndTheBoxShowsTheValue) {
    start(2);
    EXPECT_TRUE(checked("Check2")) << "set by the program at start-up";
    click("Check1");
    EXPECT_EQ(form.comport, 1);
    EXPECT_EQ(line.openPort, 1);
    EXPECT_TRUE(checked("Check1"));
    EXPECT_FALSE(checked("Check2")) << "cleared by the program, through its own click handler";

    click("Check4");
    EXPECT_EQ(count("atmostop"), 1) << "idle: checking the background plays nothing";
    EXPECT_TRUE(checked("Check4"));
    form.Check4.setValue(false);  // set by the program
    EXPECT_EQ(count("atmostop"), 2) << "the program's setting raises the click handler exactly once";
    EXPECT_FALSE(checked("Check4"));
}

// The message boxes are the system's, with the program's title, an OK
// button, and the texts exactly as the program has them: leading blanks
// kept, umlauts right.
TEST_F(MainWindowWin32Test, MessageBoxesShowTheProgramsExactTexts) {
    recorder.loadProblems = {"Sounds nicht geladen: kein Soundgerät"};
    MessageBoxAnswerer answerer;
    start(1);
    window.afterYield[3] = [this] { click("Command2"); };
    click("Command4");  // returns when the receive loop has ended
    ASSERT_EQ(answerer.shown.size(), 2u);
    EXPECT_EQ(answerer.shown[0].title, "rumblet");
    EXPECT_EQ(answerer.shown[0].text, "Sounds nicht geladen: kein Soundgerät");
    EXPECT_EQ(answerer.shown[1].text, "        Kein Kontroller!");
    EXPECT_EQ(windowText(control("Command4")), "Start");
}

TEST_F(MainWindowWin32Test, TheEditorIsModalOverTheMainWindowAndSavesAsItCloses) {
    start(1);
    bool modal = false, ownedByMain = false;
    win32test::runInMessageLoop([&] {
        const HWND dialog = win32skin::SkinWindow::inputWindow();
        modal = dialog != mainWindow.hwnd() && !IsWindowEnabled(mainWindow.hwnd());
        ownedByMain = GetWindow(dialog, GW_OWNER) == mainWindow.hwnd();
        PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    click("Command3");  // returns when the editor has closed
    EXPECT_TRUE(modal);
    EXPECT_TRUE(ownedByMain);
    EXPECT_TRUE(IsWindowEnabled(mainWindow.hwnd()));
    EXPECT_EQ(GetActiveWindow(), mainWindow.hwnd()) << "the keys go to the main window again";
    EXPECT_EQ(count("initsave 1"), 1) << "Escape closes the editor, which saves";
    EXPECT_TRUE(form.Timer2.enabled) << "the editor enables the watchdog again";
}

// Logging off or shutting down Windows saves as closing the window does,
// after the editor, if open, has closed and saved its edits.
TEST_F(MainWindowWin32Test, TheEndOfTheSessionClosesTheEditorAndSaves) {
    start(2);
    bool allowed = false;
    win32test::runInMessageLoop([&] {
        allowed = SendMessageW(mainWindow.hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0;
        SendMessageW(mainWindow.hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    });
    click("Command3");
    EXPECT_TRUE(allowed);
    std::vector<std::string> ending;
    for (const auto& e : log)
        if (e.rfind("initsave", 0) == 0 || e == "end" || e == "CLOSECOM") ending.push_back(e);
    EXPECT_THAT(ending, ElementsAre("initsave 2", "CLOSECOM", "initsave 2", "end"))
        << "the editor's save, then the main window's end";
    EXPECT_EQ(win32skin::SkinWindow::inputWindow(), nullptr) << "no window stays";
}

TEST_F(MainWindowWin32Test, TheCloseBoxEndsTheProgramAndSaves) {
    start(1);
    SendMessageW(mainWindow.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box, Alt+F4
    EXPECT_EQ(count("initsave 1"), 1);
    EXPECT_EQ(log.back(), "end");
    EXPECT_FALSE(IsWindowVisible(mainWindow.hwnd()));
}

}  // namespace
}  // namespace rumblet::testing
