// One receive step and the controller watchdog: captured frames become the
// state of the sending controller, its display row and its sounds.
#include "app/ir_decode.h"

#include "app/irbit.h"
#include "app/mainform.h"
#include "app/runtime_error.h"
#include "irframe/irframe.h"

namespace rumblet {

namespace {

namespace bit = irframe::bit;

constexpr int16_t ANNOUNCED = 128;  // enginestate offset while the second start frame is awaited
constexpr int16_t WATCHDOG_EXPIRED = 4;
const char* const BREAK_TEXT = "Break";

}  // namespace

int16_t bitzudez(const std::array<int16_t, 18>& bits, int16_t anfang, int16_t ende) {
    if (anfang < 0 || anfang > 17 || ende < 0 || ende > 17) {
        throw RuntimeError("Subscript out of range: bit " + std::to_string(anfang) + " to " +
                           std::to_string(ende));
    }
    // The result is a 16-bit integer: sixteen bits or more would not fit.
    if (ende - anfang + 1 > 15) {
        throw RuntimeError("Overflow: bit " + std::to_string(anfang) + " to " + std::to_string(ende));
    }
    int16_t value = 0;
    for (int16_t i = anfang; i <= ende; ++i) value = static_cast<int16_t>(value * 2 + bits[i]);
    return value;
}

std::string diagnosticText(const std::array<int16_t, 18>& bits) {
    std::string text;
    text.reserve(36);
    for (int16_t bit : bits) {
        text += ' ';
        text += bit ? '1' : '0';
    }
    return text;
}

void MainForm::IR() {
    // Invalid frames are captured again in a loop, never by recursion: a long
    // run of noise must not deepen the stack.
    for (;;) {
        if (irbit() == 0 && bits[0] == 0) break;
        if (running != 1) return;
    }
    const int16_t n = bitzudez(bits, bit::CONTROLLER_FIRST, bit::CONTROLLER_LAST);
    controller& c = data_.controllers[n];
    c.watchdog = 1;

    if (c.enginestate == 0 && bits[bit::START_FRAME] == 1) {
        handleFirstStartFrame(n);
    } else if (c.enginestate > ANNOUNCED && bits[bit::TURRET_OR_SECOND_START] == 1 && bits[bit::START_FRAME] == 1) {
        handleSecondStartFrame(n);
    } else {
        handleOrdinaryFrame(n);
    }
}

// The first start frame announces the model and starts the engine sound.
void MainForm::handleFirstStartFrame(int16_t n) {
    controller& c = data_.controllers[n];
    c.enginestate = static_cast<int16_t>(ANNOUNCED + 16 * bits[bit::MODEL_SIXTEEN] +
                                         bitzudez(bits, bit::MODEL_LOW_FIRST, bit::MODEL_LOW_LAST));
    sounds_.enginestart(n);
}

// The second start frame shows the announced mode and model and sets the
// engine running.
void MainForm::handleSecondStartFrame(int16_t n) {
    controller& c = data_.controllers[n];
    std::string mode = "Training";
    if (bits[bit::MUNITION] == 1) mode = "Munition";
    if (bits[bit::LADEZEIT] == 1) mode = "Ladezeit";
    Text3[n].setText(mode);

    std::string crew = bits[bit::SINGLE] == 1 ? "Singel" : "Team ";
    if (bits[bit::NEW_MODEL_A] == 1 && bits[bit::NEW_MODEL_B] == 1) {
        crew += "  New";
        c.newmodel = 1;
    } else {
        crew += "  Old";
        c.newmodel = 0;
    }
    Text4[n].setText(crew);

    c.enginestate = static_cast<int16_t>(c.enginestate - ANNOUNCED);
    Text2[n].setText(std::to_string(c.enginestate));
}

void MainForm::handleOrdinaryFrame(int16_t n) {
    controller& c = data_.controllers[n];
    data_.currentcontroller = n;

    const bool noSpeed1 = bits[bit::SPEED1_SIGN] == 0 && bitzudez(bits, bit::SPEED1_FIRST, bit::SPEED1_LAST) == 0;
    if (bits[bit::START_FRAME] == 0 && noSpeed1) {
        c.shotrequest = bits[bit::FIRE];
        if (bits[bit::TURRET] == 1 || bits[bit::TURRET_OR_SECOND_START] == 1) c.turretstate = 1;
    }
    if (bits[bit::START_FRAME] == 0 && bits[bit::FIRE] == 0 && bits[bit::TURRET] == 0 &&
        bits[bit::TURRET_OR_SECOND_START] == 0) {
        const int16_t speed1 = bitzudez(bits, bit::SPEED1_FIRST, bit::SPEED1_LAST);
        const int16_t speed2 = bitzudez(bits, bit::SPEED2_FIRST, bit::SPEED2_LAST);
        c.speed1 = bits[bit::SPEED1_SIGN] == 1 ? static_cast<int16_t>(-speed1) : speed1;
        c.speed2 = bits[bit::SPEED2_SIGN] == 1 ? static_cast<int16_t>(-speed2) : speed2;
    }

    const std::string diagnostic = diagnosticText(bits);
    sounds_.soundauswerten(bits, n);
    if (diagnose != 0) {
        Text1[n].setText(diagnostic);
        Text7[n].setText(std::to_string(c.speed1));
        Text6[n].setText(std::to_string(c.speed2));
    }
}

void MainForm::Timer2_Timer() {
    guarded([this] {
        for (int16_t n = 0; n < CONTROLLER_COUNT; ++n) {
            controller& c = data_.controllers[n];
            if (c.watchdog >= WATCHDOG_EXPIRED) c.watchdog = 0;
            if (c.watchdog == 0) {
                Text1[n].setText("");
                Text2[n].setText("");
                Text3[n].setText("");
                Text4[n].setText(BREAK_TEXT);
                if (c.enginestate > 0) {
                    sounds_.enginestop(n);
                    c.enginestate = 0;
                }
            }
            if (c.enginestate > 0) {
                ++c.watchdog;
            } else {
                c.watchdog = 0;
            }
        }
        // A vanished sound output is told once; receiving goes on.
        const std::string lost = sounds_.soundOutputCheck();
        if (!lost.empty()) window_.messageBox(lost);
    });
}

}  // namespace rumblet
