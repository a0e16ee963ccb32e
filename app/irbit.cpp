#include "app/irbit.h"

#include "app/mainform.h"

namespace rumblet {

namespace {

// A header pulse is a low period above 2400 us; its timing stops at 2800 us.
constexpr int32_t HEADER_MIN_US = 2400;
constexpr int32_t HEADER_WAIT_US = 2800;
// The wait for a pulse ends after a single poll once the capture is this old,
// so that the window stays responsive while the line is quiet.
constexpr int32_t PULSE_WAIT_MS = 40;
// No header in this long: no controller is sending.
constexpr int32_t NO_CONTROLLER_MS = 12000;
// A gap above 750 us is a 1; a gap is timed no longer than 2200 us.
constexpr int32_t ONE_GAP_US = 750;
constexpr int32_t GAP_WAIT_US = 2200;
// A line low this long after a bit period started means no receiver.
constexpr int32_t STUCK_LOW_US = 100000;
// REALTIME's "true": all bits set.
constexpr int32_t ON = -1;

// One poll reads the line, then the timer; the test uses both values.
struct Poll {
    int32_t dcd;
    int32_t time;
};

Poll pollMs(PortFunctions& port) {
    int32_t dcd = port.DCD();
    return {dcd, port.TIMEREAD()};
}

Poll pollUs(PortFunctions& port) {
    int32_t dcd = port.DCD();
    return {dcd, port.TIMEREADUS()};
}

enum class HeaderSearch { Found, NoController };

// Rounds of: yield, wait for a pulse, time it. The millisecond timer was
// started by the caller and runs over all rounds.
HeaderSearch searchHeader(PortFunctions& port, WindowServices& window) {
    for (;;) {
        window.yield();
        for (Poll p = pollMs(port); p.dcd != 0 && p.time < PULSE_WAIT_MS; p = pollMs(port)) {
        }
        if (port.TIMEREAD() > NO_CONTROLLER_MS) return HeaderSearch::NoController;
        port.TIMEINITUS();
        for (Poll p = pollUs(port); p.dcd == 0 && p.time < HEADER_WAIT_US; p = pollUs(port)) {
        }
        if (port.TIMEREADUS() > HEADER_MIN_US) return HeaderSearch::Found;
    }
}

// Waits for the line to go high again after the pulse that ended a gap.
// False when it stays low too long after the bit period's start.
bool awaitPulseEnd(PortFunctions& port) {
    while (port.DCD() == 0) {
        if (port.TIMEREADUS() > STUCK_LOW_US) return false;
    }
    return true;
}

}  // namespace

int16_t irbit(PortFunctions& port, WindowServices& window, std::array<int16_t, 18>& bits,
              int16_t& running) {
    int16_t ones = 0;
    port.TIMEINIT();

    if (searchHeader(port, window) == HeaderSearch::NoController) {
        window.messageBox(NO_CONTROLLER_TEXT);
        running = 0;
        return 1;
    }

    // The gaps are timed by busy polling; nothing else may run meanwhile.
    port.REALTIME(ON);
    for (auto& bit : bits) {
        port.TIMEINITUS();
        for (Poll p = pollUs(port); p.dcd != 0 && p.time < GAP_WAIT_US; p = pollUs(port)) {
        }
        bit = port.TIMEREADUS() > ONE_GAP_US ? 1 : 0;
        ones = static_cast<int16_t>(ones + bit);
        if (!awaitPulseEnd(port)) {
            running = 0;
            port.REALTIME(0);
            window.messageBox(NO_HARDWARE_TEXT);
            return 1;
        }
    }
    port.REALTIME(0);

    // An odd count of 1 bits, or nothing but 1 bits, rejects the frame.
    if (ones == 18) return 1;
    return static_cast<int16_t>(ones % 2);
}

// Where the open port records its line's edges, the same capture runs over
// the line replayed from them; a frame in which changes were lost is
// rejected like any damaged frame.
int16_t MainForm::irbit() {
    if (!replayed_.ready()) return rumblet::irbit(port_, window_, bits, running);
    ReplayedWindow window(window_, replayed_);
    const int16_t result = rumblet::irbit(replayed_, window, bits, running);
    return replayed_.takeDamage() ? int16_t{1} : result;
}

}  // namespace rumblet
