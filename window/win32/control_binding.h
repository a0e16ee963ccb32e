// The Win32 skin's side of window/controls.h: a child window per control
// that mirrors its state through the control's `changed` observer and
// routes the user's input into the control, so every handler runs exactly
// as the window logic expects:
//  - a user click on a check box is CheckBox::click(); the box is no
//    automatic one, so what it shows is always the control's value;
//  - a user click on an option button selects it in its row (the others
//    clear, its click handler runs even when it was selected already);
//  - a user move of a slider (keys, page clicks, wheel, dragging) is
//    Slider::userMove(); a value set by the program moves the trackbar
//    without a notification and raises no handler;
//  - every routed action runs inside runUserAction.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "window/controls.h"
#include "window/win32/skin_window.h"

namespace rumblet::win32skin {

// Sets a window's text from the program's UTF-8.
void setWindowText(HWND hwnd, const std::string& text);
// A window's text as UTF-8 (tests read captions with it).
std::string windowText(HWND hwnd);

// A frame: a group box that holds its controls and passes their
// notifications on to the window.
class FrameWindow : public ControlWindow {
public:
    FrameWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place, Frame& frame);

private:
    const Control* state() const override { return &frame_; }
    void unbind() override { frame_.changed = nullptr; }
    Frame& frame_;
};

class LabelWindow : public ControlWindow {
public:
    LabelWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place, Label& label);

private:
    const Control* state() const override { return &label_; }
    void unbind() override { label_.changed = nullptr; }
    Label& label_;
};

class ButtonWindow : public ControlWindow {
public:
    ButtonWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place, Button& button,
                 std::function<void()> onClick);
    void command(int code) override;

private:
    const Control* state() const override { return &button_; }
    void unbind() override { button_.changed = nullptr; }
    Button& button_;
    std::function<void()> onClick_;
};

// A text box is a display: the program never reads back what is typed.
class TextBoxWindow : public ControlWindow {
public:
    TextBoxWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place, TextBox& box);

private:
    const Control* state() const override { return &box_; }
    void unbind() override { box_.changed = nullptr; }
    TextBox& box_;
};

class CheckBoxWindow : public ControlWindow {
public:
    CheckBoxWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place, CheckBox& box);
    void command(int code) override;

private:
    const Control* state() const override { return &box_; }
    void unbind() override { box_.changed = nullptr; }
    CheckBox& box_;
};

class OptionWindow : public ControlWindow {
public:
    OptionWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                 OptionButton& option, std::function<void()> select);
    void command(int code) override;

private:
    const Control* state() const override { return &option_; }
    void unbind() override { option_.changed = nullptr; }
    OptionButton& option_;
    std::function<void()> select_;
};

class SliderWindow : public ControlWindow {
public:
    SliderWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place, Slider& slider);
    void scroll(int code) override;

private:
    const Control* state() const override { return &slider_; }
    void unbind() override { slider_.changed = nullptr; }
    Slider& slider_;
};

}  // namespace rumblet::win32skin
