// Window controls as plain state with change handlers, so that the windows'
// behaviour runs and is tested without any window toolkit. The Qt windows
// mirror this state (through `changed`) and route the user's clicks and
// moves into it.
//
// Rules of the window system the program relies on:
//  - setting a check box or option button from the program raises its click
//    handler exactly as a user click does (only when the value changes);
//  - setting a slider's value from the program does not raise its user-move
//    handler; only userMove() does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

namespace rumblet {

// Common to every control: enabled state and an observer for the skin.
struct Control {
    bool enabled = true;
    bool visible = true;
    std::function<void()> changed;  // set by the window skin; never by logic

    void setEnabled(bool e) {
        if (enabled == e) return;
        enabled = e;
        notify();
    }

protected:
    void notify() {
        if (changed) changed();
    }
};

struct Label : Control {
    std::string caption;
    void setCaption(const std::string& c) {
        if (caption == c) return;
        caption = c;
        notify();
    }
};

using Frame = Label;    // a frame is a captioned, enable-able container
using Button = Label;   // clicks are routed by the window to its handler

struct TextBox : Control {
    std::string text;
    void setText(const std::string& t) {
        if (text == t) return;
        text = t;
        notify();
    }
};

// Check box: `onClick` runs whenever the value changes, by user or program.
struct CheckBox : Label {
    bool value = false;
    std::function<void()> onClick;

    void setValue(bool v) {
        if (value == v) return;
        value = v;
        notify();
        if (onClick) onClick();
    }
    void click() { setValue(!value); }  // what a user click does
};

// Option button of a group: selecting one clears the others of its group
// (the group does that) and raises its click handler.
struct OptionButton : Label {
    bool value = false;
    std::function<void()> onClick;

    void setValue(bool v) {
        bool raise = v;  // selecting raises the click even if already selected
        if (value != v) {
            value = v;
            notify();
        }
        if (raise && onClick) onClick();
    }
};

// Slider of the common controls: the value is always clamped to the range.
struct Slider : Control {
    int32_t min = 0;
    int32_t max = 10;
    int32_t value = 0;
    int32_t smallChange = 1;
    int32_t largeChange = 5;
    int32_t tickFrequency = 1;
    std::function<void()> onUserMove;  // raised only by userMove()

    void setRange(int32_t lo, int32_t hi) {
        min = lo;
        max = std::max(lo, hi);
        value = std::clamp(value, min, max);
        notify();
    }
    void setValue(int32_t v) {
        v = std::clamp(v, min, max);
        if (value == v) return;
        value = v;
        notify();
    }
    void setTickFrequency(int32_t t) {
        tickFrequency = t;
        notify();
    }
    void userMove(int32_t v) {
        setValue(v);
        if (onUserMove) onUserMove();
    }
};

// Timer: ticks only while the window system processes events. The skin (or a
// test) calls tick() when the interval has passed and the timer is enabled.
struct Timer : Control {
    int32_t interval = 0;  // milliseconds
    std::function<void()> onTimer;
    void tick() {
        if (enabled && onTimer) onTimer();
    }
};

}  // namespace rumblet
