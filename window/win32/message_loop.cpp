#include "window/win32/message_loop.h"

#include <windowsx.h>

#include "window/win32/skin_window.h"
#include "window/win32/wide_text.h"
#include "window/window_services.h"

namespace rumblet::win32skin {

namespace {

bool ofThisThread(HWND hwnd) { return hwnd && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId(); }

}  // namespace

void dispatch(MSG& message) {
    // The system gives the wheel to the window with the focus; the user
    // turns it over the window under the mouse (a slider, the waveform).
    if (message.message == WM_MOUSEWHEEL || message.message == WM_MOUSEHWHEEL) {
        const POINT at{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
        const HWND under = WindowFromPoint(at);
        if (ofThisThread(under) && IsWindowEnabled(GetAncestor(under, GA_ROOT))) message.hwnd = under;
    }
    const HWND top = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    // Tab walks the controls in the skin's own order, across frames.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000) &&
        !(GetKeyState(VK_MENU) & 0x8000)) {
        if (SkinWindow* window = SkinWindow::of(top)) {
            window->moveFocus(GetKeyState(VK_SHIFT) & 0x8000);
            return;
        }
    }
    if (top && GetWindowLongPtrW(top, GWL_EXSTYLE) & WS_EX_CONTROLPARENT && IsDialogMessageW(top, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool processPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        dispatch(message);
    }
    return true;
}

void runMessagesUntil(const std::function<bool()>& done) {
    MSG message;
    while (!done()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        dispatch(message);
    }
}

int runMessageLoop() {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) dispatch(message);
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void showMessage(const std::string& text) {
    const HWND owner = SkinWindow::inputWindow();
    MessageBoxW(owner, toWide(text).c_str(), toWide(PROGRAM_TITLE).c_str(), MB_OK | (owner ? 0 : MB_TASKMODAL));
}

}  // namespace rumblet::win32skin
