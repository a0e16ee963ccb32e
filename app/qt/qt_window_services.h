// The window system on Qt for the main window's logic: the yield processes
// all pending events and returns, message boxes are the program's, the
// editor runs modal over the main window, and the end is immediate.
#pragma once

#include <functional>
#include <string>

#include "window/skin_window_services.h"

class QWidget;

namespace rumblet::qtskin {

using rumblet::endProgramAtOnce;

class QtWindowServices : public SkinWindowServices {
public:
    using SkinWindowServices::SkinWindowServices;

    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    void messageBox(const std::string& text) override;
    void showMainWindow() override;

protected:
    void processEvents() override;
    void hideMainWindow() override;

private:
    QWidget* mainWindow_ = nullptr;
};

}  // namespace rumblet::qtskin
