// The window system for the tests: the yield runs actions due at the
// current virtual time and ticks the main window's Timer2 every 500 ms of
// virtual time (once, however long since the last yield); message boxes, the editor and the end are recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/mainform.h"
#include "window/window_services.h"
#include "virtual_port.h"

namespace rumblet::testing {

class FakeWindow : public WindowServices {
public:
    FakeWindow(VirtualPort& clock, EventLog* log = nullptr) : clock_(clock), log_(log) {}

    // Ticks Timer2 of `form` inside the yields, every interval of virtual time.
    void attach(MainForm& form) { form_ = &form; }

    // Runs `action` in the first yield at or after `time`.
    void at(int64_t time, std::function<void()> action) { due_.emplace(time, std::move(action)); }
    // Runs inside every yield, after the due actions.
    std::function<void()> onYield;
    // Runs while the sound editor is "open".
    std::function<void()> onEditor;
    // Runs once, while the next message box is open (as an end request would).
    std::function<void()> onMessage;

    std::vector<std::string> messages;
    std::vector<int64_t> messageTimes;  // virtual time at each message box
    int64_t yields = 0;
    bool shown = false;
    bool ended = false;
    bool endedAfterError = false;  // the end that tells of a failure (exit status)

    void yield() override {
        ++yields;
        while (!due_.empty() && due_.begin()->first <= clock_.now) {
            auto action = std::move(due_.begin()->second);
            due_.erase(due_.begin());
            action();
        }
        if (form_) {
            // Like a window system's timer: after a long stretch without a
            // yield it ticks once, not once for every interval it missed.
            const int64_t interval = int64_t{form_->Timer2.interval} * 1000;
            if (interval > 0 && clock_.now >= nextTick_ + interval) {
                nextTick_ += (clock_.now - nextTick_) / interval * interval;
                form_->Timer2.tick();
            }
        }
        if (onYield) onYield();
    }
    void messageBox(const std::string& text) override {
        messages.push_back(text);
        messageTimes.push_back(clock_.now);
        record("message " + text);
        if (auto action = std::exchange(onMessage, nullptr)) action();
    }
    void showMainWindow() override {
        shown = true;
        record("show");
    }
    void showSoundEditorModal() override {
        record("editor");
        if (onEditor) onEditor();
    }
    void endProgram() override {
        ended = true;
        record("end");
    }
    void endProgramAfterError() override {
        endedAfterError = true;
        endProgram();
    }

private:
    void record(const std::string& event) {
        if (log_) log_->push_back(event);
    }

    VirtualPort& clock_;
    EventLog* log_;
    MainForm* form_ = nullptr;
    int64_t nextTick_ = 0;
    std::multimap<int64_t, std::function<void()>> due_;
};

}  // namespace rumblet::testing
