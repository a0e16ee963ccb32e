#include "app/main_form_link.h"

namespace rumblet {

void MainFormLink::initsave() { sounds_.initsave(form_.comport); }

void MainFormLink::initladen() { sounds_.initladen(form_.comport); }

// A sound that cannot be loaded is reported by the main window, as at start-up.
void MainFormLink::soundladen() {
    for (const auto& problem : sounds_.soundladen()) window_.messageBox(problem);
}

void MainFormLink::posladen() { sounds_.posladen(); }

void MainFormLink::enableTimer2() { form_.Timer2.setEnabled(true); }

}  // namespace rumblet
