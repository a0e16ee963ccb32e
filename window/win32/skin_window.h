// The Win32 skin's windows: a top-level window of the program (the main
// window, the sound editor) with its controls as child windows, each at its
// place, mirroring its control's state and routing the user's input into
// it. The window scales every place with its screen's dpi (the program is
// per-monitor dpi aware) and follows a move to a screen of another dpi.
//
// Frames are real containers (group boxes that hold their controls and pass
// their notifications on), so places are relative to their frame as in the
// layouts, and the dialog keys walk the controls in the order they were
// added: that order is the tab order.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "window/controls.h"
#include "window/win32/window_timer.h"

namespace rumblet::win32skin {

// A control's place in pixels at 96 dpi, relative to its container.
struct Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Places given in twips (1/1440 inch): 15 twips are one pixel at 96 dpi.
int twipsToPixels(int twips);
Place twipsPlace(int left, int top, int width, int height);

class SkinWindow;

// A child window of a skin window: it shows one control's state and routes
// the user's input on it. The control's `changed` observer is set while the
// window exists and cleared when it goes, since the state may outlive it
// (the editor's state lives as long as the program).
class ControlWindow {
public:
    // Creates the child window of `windowClass` in `container`.
    ControlWindow(SkinWindow& window, HWND container, const std::string& name, const Place& place,
                  const wchar_t* windowClass, DWORD style, DWORD exStyle = 0);
    virtual ~ControlWindow() = default;
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND container() const { return container_; }
    const std::string& name() const { return name_; }
    const Place& place() const { return place_; }

    // A notification (WM_COMMAND) or a move (WM_HSCROLL, WM_VSCROLL) that
    // the control window sent its parent.
    virtual void command(int /*code*/) {}
    virtual void scroll(int /*code*/) {}

    // Shows the control's enabled and visible state. A control in a disabled
    // frame shows disabled and takes no input, as the frame holds it; a
    // frame passes its state on to what it holds.
    void showState();

    // The window is gone: its control's state is no longer mirrored.
    void release() {
        unbind();
        hwnd_ = nullptr;
    }

protected:
    // The control the window shows; none for a window that shows no control.
    virtual const Control* state() const { return nullptr; }
    // Clears the control's `changed` observer.
    virtual void unbind() {}

    SkinWindow& window_;
    HWND hwnd_ = nullptr;

private:
    HWND container_;
    std::string name_;
    Place place_;
};

class SkinWindow {
public:
    // A top-level window whose client area is `clientWidth` x `clientHeight`
    // pixels at 96 dpi. A window with an owner is a dialog over it.
    SkinWindow(const std::string& title, int clientWidth, int clientHeight, HWND owner = nullptr);
    virtual ~SkinWindow();
    SkinWindow(const SkinWindow&) = delete;
    SkinWindow& operator=(const SkinWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    UINT dpi() const { return dpi_; }
    // Pixels at 96 dpi on this window's screen.
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }
    HFONT font() const { return font_; }
    // A new identifier for a control window of this window.
    int nextControlId() { return nextControlId_++; }

    // The controls, added in the window's tab order; frames before what
    // they hold. addFrame returns the container for the frame's controls.
    HWND addFrame(HWND container, const std::string& name, Frame& frame, const Place& place);
    void addLabel(HWND container, const std::string& name, Label& label, const Place& place);
    void addButton(HWND container, const std::string& name, Button& button, const Place& place,
                   std::function<void()> onClick);
    void addTextBox(HWND container, const std::string& name, TextBox& box, const Place& place);
    void addCheckBox(HWND container, const std::string& name, CheckBox& box, const Place& place);
    // One option of a row; `select` makes it the selected one as a click
    // does (usually selectOption on the row).
    void addOption(HWND container, const std::string& name, OptionButton& option, const Place& place,
                   std::function<void()> select);
    void addSlider(HWND container, const std::string& name, Slider& slider, const Place& place);
    // A control window of the window's own kind.
    template <typename C, typename... Args>
    C& add(Args&&... args) {
        auto control = std::make_unique<C>(*this, std::forward<Args>(args)...);
        C& added = *control;
        adopt(std::move(control));
        return added;
    }
    // A timer that ticks from the message loop while it is enabled.
    void addTimer(Timer& timer);

    // The window of the control of that name ("Check1", "Text2(3)"), for
    // tests and pictures; nullptr when there is none.
    HWND controlWindow(const std::string& name) const;
    const std::vector<std::unique_ptr<ControlWindow>>& controls() const { return controls_; }
    // The control window of a child window; nullptr for any other window.
    ControlWindow* controlOf(HWND hwnd) const;

    void show();
    // Shows the window modal over its owner: the owner takes no input until
    // this window has gone (or the program has ended); returns then.
    void runModal();
    // Destroys the window; a modal one gives the input back to its owner
    // first, so the owner becomes the active window again.
    void destroy();

    // Closes the skin windows opened after this one (the editor over the
    // main window), newest first, as their close boxes would.
    void closeWindowsAbove();
    // The skin window that takes the user's input now (the newest visible
    // and enabled one): what a message box is modal over.
    static HWND inputWindow();
    // The skin window of a top-level window; nullptr for any other window.
    static SkinWindow* of(HWND hwnd);

    // Tab and Shift+Tab: the focus goes to the next (previous) control that
    // takes it, in the order the controls were added, across frames, as
    // the layouts list them.
    void moveFocus(bool backwards);

protected:
    // The window's own messages; what it does not handle goes to
    // SkinWindow::handle.
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void adopt(std::unique_ptr<ControlWindow> control);
    void applyDpi(UINT dpi, const RECT* suggested);
    void placeControls();
    void released();

    HWND hwnd_ = nullptr;
    int clientWidth_;
    int clientHeight_;
    UINT dpi_ = 96;
    HFONT font_ = nullptr;
    HWND lastFocus_ = nullptr;
    int nextControlId_ = 100;  // clear of IDOK and IDCANCEL, which the dialog keys send
    std::vector<std::unique_ptr<ControlWindow>> controls_;
    std::map<HWND, ControlWindow*> byWindow_;
    std::map<UINT_PTR, std::unique_ptr<WindowTimer>> timers_;
};

}  // namespace rumblet::win32skin
