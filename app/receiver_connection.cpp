// The serial connection of the IR receiver: COM1 or COM2, RTS on (the
// receiver's supply), DTR off, and the two COM boxes kept in step.
#include <string>

#include "app/mainform.h"

namespace rumblet {

void MainForm::com1() { openReceiver(1); }
void MainForm::com2() { openReceiver(2); }

// Setting the boxes here raises their click handlers as a user click would;
// when this box was clear, its handler opens the port once more, nested, and
// finds the box already checked.
void MainForm::openReceiver(int16_t number) {
    CheckBox& mine = number == 1 ? Check1 : Check2;
    CheckBox& other = number == 1 ? Check2 : Check1;
    const std::string name = "COM" + std::to_string(number);

    replayed_.forget();
    if (port_.OPENCOM((name + ":").c_str()) == 0) {
        // The library closed any open port before it tried this one: no port
        // is open now, so neither box stays checked and ON refuses to start.
        // `comport` keeps the saved choice for the next start.
        portOpen_ = false;
        window_.messageBox("com" + std::to_string(number) + ": not available");
        mine.setValue(false);
        other.setValue(false);
        return;
    }
    portOpen_ = true;
    comport = number;
    port_.RTS(1);
    port_.DTR(0);
    other.setValue(false);
    mine.setValue(true);
}

// Clearing a box leaves the port open and `comport` as it is.
void MainForm::Check1_Click() {
    guarded([this] {
        if (Check1.value) com1();
    });
}

void MainForm::Check2_Click() {
    guarded([this] {
        if (Check2.value) com2();
    });
}

}  // namespace rumblet
