// The main window's Win32 skin over the toolkit-free MainForm: every
// control of its layout as a control window at its place (twips scaled to
// the screen), the watchdog Timer2 as a window timer, and every way of
// ending (the close box, Alt+F4, the end of the Windows session) running
// the unload handler, which saves as closing the window does.
#pragma once

#include "app/mainform.h"
#include "window/win32/skin_window.h"

namespace rumblet::win32skin {

class MainWindow : public SkinWindow {
public:
    explicit MainWindow(MainForm& form);

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void close();

    MainForm& form_;
};

}  // namespace rumblet::win32skin
