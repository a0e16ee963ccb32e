// A timer of the control state (window/controls.h) as a timer of a window:
// it ticks from the window's message loop, so only while messages are
// handled, and only while the control is enabled. An interval shorter than
// the window system's timers keep (USER_TIMER_MINIMUM, 10 ms; the editor's
// 1 ms segment loop) comes from the multimedia timer, which posts each tick
// to the window; a tick not yet handled is not posted again, so ticks never
// pile up behind a slow handler.
#pragma once

#include <windows.h>

#include <atomic>

#include "window/controls.h"

namespace rumblet::win32skin {

class WindowTimer {
public:
    // The message a fine tick arrives as; wParam is the timer's id.
    static constexpr UINT FINE_TICK = WM_APP + 1;

    WindowTimer(HWND window, UINT_PTR id, Timer& timer);
    ~WindowTimer();
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    // Starts or stops as the control says; a change of interval takes
    // effect at the next start.
    void show();
    // A tick arrived (WM_TIMER or FINE_TICK): the control's handler runs.
    void tick();
    // The window is going: no tick any more, and the control is no longer
    // followed.
    void release();

private:
    static void CALLBACK fineTick(UINT, UINT, DWORD_PTR self, DWORD_PTR, DWORD_PTR);
    void stop();

    HWND window_;
    UINT_PTR id_;
    Timer& timer_;
    bool running_ = false;
    UINT fineTimer_ = 0;
    std::atomic<bool> pending_{false};
};

}  // namespace rumblet::win32skin
