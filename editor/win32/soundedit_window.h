// The sound editor's Win32 window: a thin skin over the toolkit-free
// Soundedit. Every control of the editor becomes a control window at its
// place (96-dpi pixels, scaled to the screen), named like its control
// ("Option1(2)", "Slider1(0)", "File1") so tests can find it; the window
// runs modal over the main window.
#pragma once

#include <functional>
#include <string>

#include "editor/soundedit.h"
#include "window/win32/skin_window.h"

namespace rumblet::win32skin {

// The editor's system on Windows: message boxes and the user's decimal
// separator.
class Win32SoundeditSystem : public SkinSoundeditSystem {
public:
    using SkinSoundeditSystem::SkinSoundeditSystem;
    void MsgBox(const std::string& text) override;
    std::string decimalSeparator() const override;
};

class SoundeditWindow : public SkinWindow {
public:
    SoundeditWindow(Soundedit& editor, HWND owner);

    // Runs the editor's load handler, then shows the window modal over its
    // owner; returns when the window has closed (and saved).
    void showModal();

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void buildControls();
    // Every way of closing (the close box, Alt+F4, Escape, the end of the
    // session) ends here: the editor's unload handler saves and reloads,
    // exactly once, before the window goes.
    void close();

    Soundedit& editor_;
    bool unloaded_ = false;
};

}  // namespace rumblet::win32skin
