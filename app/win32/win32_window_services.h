// The window system on Win32 for the main window's logic: the yield
// handles every waiting message and returns, message boxes are the
// program's, the editor runs modal over the main window, and the end is
// immediate.
#pragma once

#include <functional>
#include <string>

#include "window/skin_window_services.h"
#include "window/win32/skin_window.h"

namespace rumblet::win32skin {

class Win32WindowServices : public SkinWindowServices {
public:
    using SkinWindowServices::SkinWindowServices;

    void setMainWindow(SkinWindow* window) { mainWindow_ = window; }

    void messageBox(const std::string& text) override;
    void showMainWindow() override;

protected:
    void processEvents() override;
    void hideMainWindow() override;

private:
    SkinWindow* mainWindow_ = nullptr;
};

}  // namespace rumblet::win32skin
