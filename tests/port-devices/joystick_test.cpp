// Joystick 1: which field each export returns, and the Linux joystick
// device read through a pipe of js_event records.
#include <fcntl.h>
#include <linux/joystick.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "joystick.h"
#include "posix/joystick_linux.h"

namespace port {
namespace {

class ScriptedJoystick : public JoystickSystem {
public:
    JoystickReading answer{1, 2, 3, 4, 5, 6, 7};
    bool present = true;
    std::vector<uint32_t> requests;
    bool query(uint32_t request, JoystickReading& reading) override {
        requests.push_back(request);
        if (!present) {
            reading.x = 99;  // a failed query may leave anything behind
            return false;
        }
        reading = answer;
        return true;
    }
};

TEST(Joystick, EachExportAsksForItsFieldAndReturnsIt) {
    const std::pair<JoystickRequest, int32_t> cases[] = {
        {joyX, 1}, {joyY, 2}, {joyZ, 3}, {joyR, 4}, {joyU, 5}, {joyV, 6}, {joyButtons, 7},
    };
    for (const auto& [request, value] : cases) {
        ScriptedJoystick system;
        Joystick stick(system);
        EXPECT_EQ(stick.read(request), value) << "request 0x" << std::hex << request;
        EXPECT_EQ(system.requests, std::vector<uint32_t>{request});
    }
}

TEST(Joystick, AllSevenValuesComeFromOneQueryForEverything) {
    ScriptedJoystick system;
    Joystick stick(system);
    int32_t v[7] = {};
    stick.readAll(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
    EXPECT_EQ(system.requests, std::vector<uint32_t>{0xFF});
    for (int i = 0; i < 7; ++i) EXPECT_EQ(v[i], i + 1) << "value " << i;
}

TEST(Joystick, NullPointersAreSkipped) {
    ScriptedJoystick system;
    Joystick stick(system);
    int32_t buttons = 0;
    stick.readAll(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &buttons);
    EXPECT_EQ(buttons, 7);
}

TEST(Joystick, WithoutAJoystickEveryValueIsZero) {
    ScriptedJoystick system;
    system.present = false;
    Joystick stick(system);
    EXPECT_EQ(stick.read(joyX), 0);
    int32_t v[7] = {-1, -1, -1, -1, -1, -1, -1};
    stick.readAll(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(v[i], 0) << "value " << i;
}

TEST(LinuxJoystick, AxisValuesAreScaledToTheUnsignedRange) {
    const std::pair<int16_t, uint32_t> cases[] = {
        {-32768, 0}, {-32767, 0}, {-16384, 16383}, {0, 32768}, {16384, 49152}, {32767, 65535},
    };
    for (const auto& [raw, scaled] : cases) EXPECT_EQ(scaleJoystickAxis(raw), scaled) << raw;
}

js_event event(uint8_t type, uint8_t number, int16_t value) {
    js_event e{};
    e.type = type;
    e.number = number;
    e.value = value;
    return e;
}

// What the driver hands a new reader: the state of every axis and button,
// then what happened since.
std::vector<js_event> twoButtonsHeld() {
    return {
        event(JS_EVENT_AXIS | JS_EVENT_INIT, 0, -32767), event(JS_EVENT_AXIS | JS_EVENT_INIT, 1, 32767),
        event(JS_EVENT_AXIS | JS_EVENT_INIT, 2, 0),      event(JS_EVENT_AXIS | JS_EVENT_INIT, 3, 0),
        event(JS_EVENT_BUTTON | JS_EVENT_INIT, 0, 1),    event(JS_EVENT_BUTTON | JS_EVENT_INIT, 1, 0),
        event(JS_EVENT_BUTTON | JS_EVENT_INIT, 2, 1),    event(JS_EVENT_BUTTON | JS_EVENT_INIT, 9, 1),
        event(JS_EVENT_BUTTON, 9, 0),                    event(JS_EVENT_AXIS, 1, 0),
    };
}

void expectTwoButtonsHeld(const JoystickReading& r) {
    EXPECT_EQ(r.x, 0u);
    EXPECT_EQ(r.y, 32768u) << "the later record of an axis wins";
    EXPECT_EQ(r.z, 32768u);
    EXPECT_EQ(r.r, 32768u);
    EXPECT_EQ(r.u, 0u) << "an axis the joystick lacks reads 0";
    EXPECT_EQ(r.v, 0u);
    EXPECT_EQ(r.pressedButtons, 2u) << "buttons 0 and 2 are down, 9 was released";
}

TEST(LinuxJoystick, ReadsTheStateFromADeviceThatStaysOpen) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const auto events = twoButtonsHeld();
    ASSERT_EQ(write(fds[1], events.data(), events.size() * sizeof(js_event)),
              static_cast<ssize_t>(events.size() * sizeof(js_event)));
    // The writer stays open, as a joystick does: the read ends when nothing more is waiting.
    LinuxJoystickSystem system("/proc/self/fd/" + std::to_string(fds[0]));
    JoystickReading reading;
    EXPECT_TRUE(system.query(joyAll, reading));
    expectTwoButtonsHeld(reading);
    close(fds[0]);
    close(fds[1]);
}

TEST(LinuxJoystick, AMissingDeviceIsAFailedQuery) {
    JoystickReading reading;
    EXPECT_FALSE(LinuxJoystickSystem("/nonexistent/js0").query(joyAll, reading));
}

}  // namespace
}  // namespace port
