#include "window/win32/control_binding.h"

#include <commctrl.h>

#include "window/user_action.h"
#include "window/win32/wide_text.h"

namespace rumblet::win32skin {

namespace {

void showChecked(HWND hwnd, bool value) {
    SendMessageW(hwnd, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A group box passes on what its controls tell their parent, so that it
// reaches the window, which routes it to the control.
LRESULT CALLBACK frameProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (lParam != 0) return SendMessageW(GetParent(hwnd), message, wParam, lParam);
            break;
        case WM_ERASEBKGND: {
            // A group box paints only its line and caption; the window's own
            // background goes under what the frame holds.
            RECT client;
            GetClientRect(hwnd, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, frameProcedure, 0);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

void setWindowText(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, toWide(text).c_str()); }

std::string windowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return fromWide(text);
}

FrameWindow::FrameWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                         Frame& frame)
    : ControlWindow(window, container, name, place, WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS,
                    WS_EX_CONTROLPARENT),
      frame_(frame) {
    SetWindowSubclass(hwnd_, frameProcedure, 0, 0);
    frame.changed = [this] {
        setWindowText(hwnd_, frame_.caption);
        showState();
    };
    frame.changed();
}

LabelWindow::LabelWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                         Label& label)
    : ControlWindow(window, container, name, place, WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX), label_(label) {
    label.changed = [this] {
        setWindowText(hwnd_, label_.caption);
        showState();
    };
    label.changed();
}

ButtonWindow::ButtonWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                           Button& button, std::function<void()> onClick)
    : ControlWindow(window, container, name, place, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP),
      button_(button),
      onClick_(std::move(onClick)) {
    button.changed = [this] {
        setWindowText(hwnd_, button_.caption);
        showState();
    };
    button.changed();
}

void ButtonWindow::command(int code) {
    if (code == BN_CLICKED) runUserAction(onClick_);
}

TextBoxWindow::TextBoxWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                             TextBox& box)
    : ControlWindow(window, container, name, place, WC_EDITW, ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE),
      box_(box) {
    box.changed = [this] {
        setWindowText(hwnd_, box_.text);
        showState();
    };
    box.changed();
}

CheckBoxWindow::CheckBoxWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                               CheckBox& box)
    : ControlWindow(window, container, name, place, WC_BUTTONW, BS_CHECKBOX | WS_TABSTOP), box_(box) {
    box.changed = [this] {
        setWindowText(hwnd_, box_.caption);
        showChecked(hwnd_, box_.value);
        showState();
    };
    box.changed();
}

// The box does not check itself; the control decides what it shows.
void CheckBoxWindow::command(int code) {
    if (code != BN_CLICKED) return;
    runUserAction([this] { box_.click(); });
    if (hwnd_) showChecked(hwnd_, box_.value);
}

OptionWindow::OptionWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                           OptionButton& option, std::function<void()> select)
    : ControlWindow(window, container, name, place, WC_BUTTONW, BS_RADIOBUTTON | WS_TABSTOP),
      option_(option),
      select_(std::move(select)) {
    option.changed = [this] {
        setWindowText(hwnd_, option_.caption);
        showChecked(hwnd_, option_.value);
        showState();
    };
    option.changed();
}

// No automatic option button: the row in the control state decides.
void OptionWindow::command(int code) {
    if (code != BN_CLICKED) return;
    runUserAction(select_);
    if (hwnd_) showChecked(hwnd_, option_.value);
}

SliderWindow::SliderWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                           Slider& slider)
    : ControlWindow(window, container, name, place, TRACKBAR_CLASSW, TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP),
      slider_(slider) {
    slider.changed = [this] {
        SendMessageW(hwnd_, TBM_SETRANGEMIN, FALSE, slider_.min);
        SendMessageW(hwnd_, TBM_SETRANGEMAX, FALSE, slider_.max);
        SendMessageW(hwnd_, TBM_SETLINESIZE, 0, slider_.smallChange);
        SendMessageW(hwnd_, TBM_SETPAGESIZE, 0, slider_.largeChange);
        // No ticks but the two ends when there is no spacing or no range.
        const bool ticks = slider_.tickFrequency > 0 && slider_.max > slider_.min;
        SendMessageW(hwnd_, TBM_SETTICFREQ, ticks ? slider_.tickFrequency : slider_.max - slider_.min + 1, 0);
        SendMessageW(hwnd_, TBM_SETPOS, TRUE, slider_.value);
        showState();
    };
    slider.changed();
}

// Every move by the user arrives with the new position before anything else
// happens; the control's value, possibly corrected by the handler (the start
// pulled back to the end), is what the trackbar then keeps. The end of a
// drag or of a key press repeats the last position and is no move.
void SliderWindow::scroll(int code) {
    switch (code) {
        case TB_LINEUP:
        case TB_LINEDOWN:
        case TB_PAGEUP:
        case TB_PAGEDOWN:
        case TB_TOP:
        case TB_BOTTOM:
        case TB_THUMBTRACK:
            break;
        default:
            return;
    }
    const auto position = static_cast<int32_t>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0));
    runUserAction([this, position] { slider_.userMove(position); });
    if (hwnd_ && SendMessageW(hwnd_, TBM_GETPOS, 0, 0) != slider_.value)
        SendMessageW(hwnd_, TBM_SETPOS, TRUE, slider_.value);
}

}  // namespace rumblet::win32skin
