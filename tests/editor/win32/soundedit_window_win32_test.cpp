// The editor's Win32 window driven through the control windows' own input:
// every control at its place with its caption, a slider the program sets
// raises no user move while the keys do, the file list picks only on the
// user's click, and a marker dragged on the waveform strip moves its slider
// by the sliders' rules.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "editor/soundedit.h"
#include "editor/soundedit_layout.h"
#include "editor/win32/soundedit_window.h"
#include "editor/win32/waveform_strip_window.h"
#include "tanksound/testing/recording_sound.h"
#include "win32_test_support.h"
#include "window/user_action.h"
#include "window/win32/control_binding.h"

namespace rumblet::testing {
namespace {

namespace layout = soundedit_layout;
using win32skin::windowText;

constexpr int RATE = 11025;
constexpr int FRAMES = 8000;  // 16-bit mono: 16000 bytes

class NullOwner : public SoundeditOwner {
public:
    void initsave() override {}
    void initladen() override {}
    void soundladen() override {}
    void posladen() override {}
    void enableTimer2() override {}
};

// The window's real system, counting the segment loop's sleeps: one a tick.
// A test may make each sleep longer, as a busy machine does.
class CountingSystem : public win32skin::Win32SoundeditSystem {
public:
    CountingSystem() : Win32SoundeditSystem(nullptr) {}
    void Sleep(int32_t ms) override {
        ++sleeps;
        Win32SoundeditSystem::Sleep(std::max(ms, sleepAtLeast));
    }
    int sleeps = 0;
    int32_t sleepAtLeast = 0;
};

class SoundeditWindowWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        resetProgramEnded();
        const auto dsound = folder.path() / "dsound";
        for (const char* sub : {"Schuss", "Turm", "atmo"}) std::filesystem::create_directories(dsound / sub);
        for (const char* name : {"tank.wav", "other.wav"}) {
            win32test::writeWave(dsound / name, FRAMES, RATE);
            log->sounds[name] = FakeSound{RATE, FRAMES * 2};
        }
        const std::u8string programDir = folder.path().u8string();
        data.programDir.assign(programDir.begin(), programDir.end());
        data.directsound = std::make_unique<RecordingSoundDevice>(log);
        for (auto& c : data.controllers) c.enginesound.file = c.shotsound.file = c.turretsound.file = EMPTY_SOUND;
        data.atmosound.file = EMPTY_SOUND;
        data.controllers[0].enginesound.file = "tank.wav";
        data.controllers[0].enginesound.volume = -1250;
        data.controllers[0].positions[0] = {2000, 6000};
        data.currentcontroller = 0;
    }

    // Opens the window as the Soundedit button does, but returns at once so
    // the test can act as the user.
    void show() {
        window = std::make_unique<win32skin::SoundeditWindow>(editor, nullptr);
        editor.Form_Load();
        window->show();
        win32test::pumpFor(50);
    }
    HWND control(const std::string& name) {
        const HWND hwnd = window->controlWindow(name);
        EXPECT_NE(hwnd, nullptr) << "no control window " << name;
        return hwnd;
    }
    int position(const std::string& slider) {
        return static_cast<int>(SendMessageW(control(slider), TBM_GETPOS, 0, 0));
    }
    long volumeCalls() const {
        long n = 0;
        for (const auto& c : log->calls) n += c.call.rfind("SetVolume", 0) == 0;
        return n;
    }

    win32test::ScratchFolder folder;
    std::shared_ptr<SoundLog> log = std::make_shared<SoundLog>();
    ProgramData data;
    NullOwner owner;
    CountingSystem system;
    Soundedit editor{data, owner, system};
    std::unique_ptr<win32skin::SoundeditWindow> window;
};

TEST_F(SoundeditWindowWin32Test, EveryControlAtItsPlaceWithItsCaption) {
    show();
    EXPECT_EQ(windowText(window->hwnd()), "Soundedit");
    const SIZE client = win32test::clientSize(window->hwnd());
    EXPECT_EQ(client.cx, layout::CLIENT_WIDTH);
    EXPECT_EQ(client.cy, layout::CLIENT_HEIGHT);

    struct Row {
        std::string name, container;
        layout::Place place;
        std::string caption;
    };
    Soundedit& e = editor;
    std::vector<Row> rows = {
        {"Frame2", "", layout::Frame2, "Verzeichnis"},
        {"File1", "Frame2", layout::File1, ""},
        {"Frame4", "", layout::Frame4, "Soundfiles"},
        {"Frame7", "Frame4", layout::Frame7, e.Frame7.caption},
        {"Slider2", "Frame7", layout::Slider2, ""},
        {"Frame3", "Frame4", layout::Frame3, "Kontroller"},
        {"Command1", "Frame4", layout::Command1, "Stopsound"},
        {"Command2", "Frame4", layout::Command2, "PlayLoop"},
        {"Frame5", "", layout::Frame5, "Positionen Panzersound"},
        {"WaveStrip", "", layout::WaveStrip, ""},
    };
    for (size_t i = 0; i < 4; ++i) {
        const std::string n = "(" + std::to_string(i) + ")";
        rows.push_back({"Frame1" + n, "Frame4", layout::Frame1[i], e.Frame1[i].caption});
        rows.push_back({"Label3" + n, "Frame1" + n, layout::Label3, e.Label3[i].caption});
        rows.push_back({"Option2" + n, "Frame4", layout::Option2[i], ""});
        rows.push_back({"Option1" + n, "Frame3", layout::Option1[i], std::to_string(i + 1)});
    }
    for (size_t i = 0; i < 6; ++i)
        rows.push_back({"Option3(" + std::to_string(i) + ")", "Frame5", layout::Option3[i], e.Option3[i].caption});
    for (size_t i = 0; i < 2; ++i) {
        const std::string n = "(" + std::to_string(i) + ")";
        rows.push_back({"Frame6" + n, "Frame5", layout::Frame6[i], i == 0 ? "Start" : "Ende"});
        rows.push_back({"Slider1" + n, "Frame6" + n, layout::Slider1, ""});
        rows.push_back({"Label4" + n, "Frame6" + n, layout::Label4, e.Label4[i].caption});
    }
    for (const Row& row : rows) {
        const HWND hwnd = control(row.name);
        EXPECT_EQ(GetParent(hwnd), row.container.empty() ? window->hwnd() : control(row.container)) << row.name;
        const auto got = win32test::placeInParent(hwnd);
        EXPECT_EQ(std::tie(got.left, got.top, got.width, got.height),
                  std::tie(row.place.left, row.place.top, row.place.width, row.place.height))
            << row.name;
        if (row.name != "File1" && row.name != "WaveStrip" && row.name.rfind("Slider", 0) != 0) {
            EXPECT_EQ(windowText(hwnd), row.caption) << row.name;
        }
    }
    EXPECT_EQ(windowText(control("Label3(0)")), "tank.wav");
    EXPECT_EQ(SendMessageW(control("File1"), LB_GETCOUNT, 0, 0), 2);
}

TEST_F(SoundeditWindowWin32Test, TheProgramsSliderSettingIsNoUserMoveButAKeyIs) {
    show();
    EXPECT_EQ(position("Slider2"), -12);
    EXPECT_EQ(data.controllers[0].enginesound.volume, -1250) << "the program's slider setting is no user move";
    const long before = volumeCalls();
    SendMessageW(control("Slider2"), WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(control("Slider2"), WM_KEYUP, VK_RIGHT, 0);
    EXPECT_EQ(data.controllers[0].enginesound.volume, -1100);
    EXPECT_EQ(position("Slider2"), -11);
    EXPECT_EQ(volumeCalls() - before, 1) << "one key press is one move; its release is none";
    EXPECT_EQ(windowText(control("Frame7")), "Volume: -11%");
}

// The segment loop's 1 ms timer is shorter than the window system's timers
// keep (10 ms and more); it still ticks about every few milliseconds while
// messages are handled, as on Linux, so a segment's end is caught early.
TEST_F(SoundeditWindowWin32Test, TheSegmentLoopTicksEveryFewMilliseconds) {
    show();
    const int before = system.sleeps;
    win32test::pumpFor(500);
    EXPECT_GT(system.sleeps - before, 60) << "window timers would give at most 50 ticks in 500 ms";
}

// While the segment loop runs, each of its ticks sleeps at least as long as
// the 1 ms between ticks; a key press still reaches the editor at once and
// never waits behind the ticks.
TEST_F(SoundeditWindowWin32Test, AKeyReachesTheEditorWhileTheSegmentLoopRuns) {
    show();
    system.sleepAtLeast = 3;
    SetForegroundWindow(window->hwnd());
    SetFocus(control("Slider2"));
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_RIGHT;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    // Messages handled one by one, so that a loop that always finds a tick
    // waiting still ends.
    const ULONGLONG end = GetTickCount64() + 500;
    for (MSG message; GetTickCount64() < end && position("Slider2") == -12;) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else {
            Sleep(1);
        }
    }
    system.sleepAtLeast = 0;
    EXPECT_EQ(position("Slider2"), -11) << "the key press waited behind the segment loop's ticks";
    EXPECT_GT(system.sleeps, 10) << "the segment loop ran";
}

TEST_F(SoundeditWindowWin32Test, AClickInTheFileListPicksTheSound) {
    show();
    const HWND list = control("File1");
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR) << "filling the list picks nothing";
    RECT item;
    SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));  // "other.wav", sorted first
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(data.controllers[0].enginesound.file, "other.wav");
    EXPECT_EQ(windowText(control("Label3(0)")), "other.wav");
}

// A marker dragged with the mouse is a user's move of its slider: the start
// dragged past the end stops at the end, and the slider shows it. The wheel
// over the strip zooms.
TEST_F(SoundeditWindowWin32Test, DraggingTheStartMarkerPastTheEndStopsAtTheEndAndTheWheelZooms) {
    show();
    const HWND stripWindow = control("WaveStrip");
    auto* strip = dynamic_cast<win32skin::WaveformStripWindow*>(window->controlOf(stripWindow));
    ASSERT_NE(strip, nullptr);
    strip->refresh();
    ASSERT_NE(strip->strip().sound(), nullptr);
    const int startX = static_cast<int>(std::lround(strip->strip().columnOf(2000)));
    const int pastEndX = static_cast<int>(std::lround(strip->strip().columnOf(7000)));
    RECT client;
    GetClientRect(stripWindow, &client);
    const int y = client.bottom / 2;
    SendMessageW(stripWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(startX, y));
    SendMessageW(stripWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pastEndX, y));
    SendMessageW(stripWindow, WM_LBUTTONUP, 0, MAKELPARAM(pastEndX, y));
    EXPECT_EQ(editor.Slider1[0].value, 6000);
    EXPECT_EQ(position("Slider1(0)"), 6000);
    EXPECT_EQ(data.controllers[0].positions[0].start, 6000);

    POINT at{pastEndX, y};
    ClientToScreen(stripWindow, &at);
    SendMessageW(stripWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(at.x, at.y));
    EXPECT_TRUE(strip->strip().zoomed());
}

}  // namespace
}  // namespace rumblet::testing
