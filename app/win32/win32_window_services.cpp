#include "app/win32/win32_window_services.h"

#include "window/win32/message_loop.h"

namespace rumblet::win32skin {

void Win32WindowServices::processEvents() { processPendingMessages(); }

void Win32WindowServices::messageBox(const std::string& text) { showMessage(text); }

void Win32WindowServices::showMainWindow() {
    if (mainWindow_) mainWindow_->show();
}

void Win32WindowServices::hideMainWindow() {
    if (mainWindow_ && mainWindow_->hwnd()) ShowWindow(mainWindow_->hwnd(), SW_HIDE);
}

}  // namespace rumblet::win32skin
