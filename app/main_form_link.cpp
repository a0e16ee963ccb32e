#include "app/main_form_link.h"

namespace rumblet {

void MainFormLink::initsave() { sounds_.initsave(form_.comport); }

// Problems found in reading are reported by the main window, as at start-up.
void MainFormLink::initladen() {
    for (const auto& problem : sounds_.initladen(form_.comport)) window_.messageBox(problem);
}

// A sound that cannot be loaded is reported by the main window, as at start-up.
void MainFormLink::soundladen() {
    for (const auto& problem : sounds_.soundladen()) window_.messageBox(problem);
}

void MainFormLink::posladen() {
    for (const auto& problem : sounds_.posladen()) window_.messageBox(problem);
}

void MainFormLink::enableTimer2() { form_.Timer2.setEnabled(true); }

}  // namespace rumblet
