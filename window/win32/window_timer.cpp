#include "window/win32/window_timer.h"

#include <mmsystem.h>

#include <algorithm>

#include "window/user_action.h"

namespace rumblet::win32skin {

WindowTimer::WindowTimer(HWND window, UINT_PTR id, Timer& timer) : window_(window), id_(id), timer_(timer) {
    timer.changed = [this] { show(); };
    show();
}

WindowTimer::~WindowTimer() { release(); }

void WindowTimer::show() {
    if (timer_.enabled && !running_ && window_) {
        const auto interval = static_cast<UINT>(std::max(1, timer_.interval));
        if (interval < USER_TIMER_MINIMUM) {
            pending_ = false;
            fineTimer_ = timeSetEvent(interval, 1, fineTick, reinterpret_cast<DWORD_PTR>(this),
                                      TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
        }
        if (!fineTimer_) SetTimer(window_, id_, interval, nullptr);
        running_ = true;
    } else if (!timer_.enabled && running_) {
        stop();
    }
}

void WindowTimer::stop() {
    if (fineTimer_) {
        timeKillEvent(fineTimer_);  // waits for a tick being posted
        fineTimer_ = 0;
    } else if (window_) {
        KillTimer(window_, id_);
    }
    running_ = false;
}

// On the multimedia timer's thread: only the post happens here.
void CALLBACK WindowTimer::fineTick(UINT, UINT, DWORD_PTR self, DWORD_PTR, DWORD_PTR) {
    auto* timer = reinterpret_cast<WindowTimer*>(self);
    if (!timer->pending_.exchange(true)) PostMessageW(timer->window_, FINE_TICK, timer->id_, 0);
}

// The next fine tick is posted only once this one's handler has returned:
// posted messages come before the mouse and the keys, and a tick posted
// while the handler runs (the segment loop's handler sleeps 1 ms) would
// always be waiting when the loop looks again, so no click or key press
// would ever be taken while the timer runs.
void WindowTimer::tick() {
    if (running_) {
        Timer* timer = &timer_;
        runUserAction([timer] { timer->tick(); });
    }
    pending_ = false;
}

void WindowTimer::release() {
    if (running_) stop();
    timer_.changed = nullptr;
    window_ = nullptr;
}

}  // namespace rumblet::win32skin
