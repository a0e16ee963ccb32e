// The main window's logic without any window toolkit: its fields, its
// controls as state (window/controls.h), its handlers and procedures. The Qt
// skin builds widgets from layout(), mirrors each control's state through
// its `changed` hook, calls click() on a check box the user clicks, calls
// Timer2.tick() every Timer2.interval ms while Timer2 is enabled, routes
// button clicks to the `click` of their layout entry, and runs Form_Load
// once at start and Form_Unload when the window is closed.
//
// Handlers (the *_Click, Timer2_Timer, Form_Load and Form_Unload) never let
// an error out: a failing operation shows its message and ends the program.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "window/controls.h"
#include "app/port_functions.h"
#include "app/replayed_line.h"
#include "programdata/program_data.h"
#include "app/sound_actions.h"
#include "window/window_services.h"

namespace rumblet {

inline constexpr const char* MAIN_WINDOW_CAPTION = "rumblet   v.0.85.beta";
inline constexpr const char* SELECT_PORT_TEXT = "Select COM1 or COM2";

// A rectangle in twips (1/1440 inch) relative to its container.
struct Twips {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

enum class ControlKind { Frame, CheckBox, Button, TextBox };

// One control of the window as the skin needs it.
struct PlacedControl {
    std::string name;       // "Check1", "Text2(3)", "Text5(1)"
    std::string container;  // empty for the window itself, else a frame's name
    ControlKind kind = ControlKind::Frame;
    Twips place;
    std::variant<Label*, CheckBox*, TextBox*> control;  // Label for frames and buttons
    std::function<void()> click;                         // buttons: the click handler
};

class MainForm {
public:
    MainForm(ProgramData& data, PortFunctions& port, SoundActions& sounds,
             WindowServices& window);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // Fields.
    int16_t running = 0;             // 1 while the receive loop shall go on
    int16_t diagnose = 0;            // non-zero: ordinary frames fill the diagnostic rows
    int16_t comport = 0;             // 0 none, 1 COM1, 2 COM2 (saved in IR.ini)
    std::array<int16_t, 18> bits{};  // the last captured frame, bit 0 first

    // Controls; rows of like controls are indexed by controller number.
    std::string caption = MAIN_WINDOW_CAPTION;
    Frame Frame1, Frame2, Frame3, Frame4, Frame5;
    CheckBox Check1, Check2;  // COM1, COM2 (Frame5)
    CheckBox Check3;          // diagnostic display on/off (Frame3)
    CheckBox Check4;          // background sound (Frame4)
    Button Command2, Command3, Command4;  // OFF, Soundedit, ON (Frame4)
    std::array<TextBox, 4> Text1;  // raw bits (Frame3)
    std::array<TextBox, 4> Text2;  // model number (Frame1)
    std::array<TextBox, 4> Text3;  // mode (Frame1)
    std::array<TextBox, 4> Text4;  // single/team, new/old, "Break" (Frame1)
    std::array<TextBox, 4> Text6;  // speed2, left column (Frame2)
    std::array<TextBox, 4> Text7;  // speed1, right column (Frame2)
    TextBox Text5_1;               // Text5(1): the ruler of bit positions (Frame3)
    Timer Timer2;                  // controller watchdog, 500 ms

    // Client area of the window in twips, and every control with its place.
    static constexpr int32_t CLIENT_WIDTH = 9240;
    static constexpr int32_t CLIENT_HEIGHT = 2625;
    std::vector<PlacedControl> layout();

    // Handlers.
    void Form_Load();       // start-up; ends the program if the sound device fails
    void Form_Unload();     // runs ende
    void Command4_Click();  // ON: the receive loop
    void Command2_Click();  // OFF
    void Command3_Click();  // Soundedit
    void Check1_Click();    // COM1 box
    void Check2_Click();    // COM2 box
    void Check3_Click();    // Diagnose box
    void Check4_Click();    // Background box
    void Timer2_Timer();    // controller watchdog

    // Procedures.
    void ende();        // shut-down; ends the program
    void soundstop();   // engines and background off
    void com1();        // open the receiver on COM1
    void com2();        // open the receiver on COM2
    void IR();          // one receive step: capture, check, decode, display, sound
    int16_t irbit();    // capture of one frame: from the line's timed edges where the port has them
    // The sound editor restarts the library's millisecond stopwatch when it
    // closes: the capture's too, where it reads the replayed one.
    void restartMillisecondStopwatch();

    // Whether the port that `comport` names is open: a failed opening leaves
    // no port open (the library closes the old one before it tries).
    bool portOpen() const { return portOpen_; }

private:
    void guarded(const std::function<void()>& body);
    [[noreturn]] void endNow(bool afterError = false);
    void openReceiver(int16_t number);
    void handleFirstStartFrame(int16_t n);
    void handleSecondStartFrame(int16_t n);
    void handleOrdinaryFrame(int16_t n);

    ProgramData& data_;
    PortFunctions& port_;
    SoundActions& sounds_;
    WindowServices& window_;
    ReplayedLine replayed_{port_};
    bool portOpen_ = false;
    // Whether IR.ini has been read into the program data. Until then the data
    // holds only the empty slots of the start, and saving them at an early end
    // (the system's end request while a start-up box is open) would write
    // them over the player's settings.
    bool settingsRead_ = false;
};

}  // namespace rumblet
