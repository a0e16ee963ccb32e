// The sound editor's owner in the running program: the main window. When the
// editor closes it saves and reloads through the main window's sound actions
// and enables the main window's watchdog again.
#pragma once

#include "app/mainform.h"
#include "app/sound_actions.h"
#include "window/window_services.h"
#include "editor/soundedit.h"

namespace rumblet {

class MainFormLink final : public SoundeditOwner {
public:
    MainFormLink(MainForm& form, SoundActions& sounds, WindowServices& window)
        : form_(form), sounds_(sounds), window_(window) {}

    void initsave() override;
    void initladen() override;
    void soundladen() override;
    void posladen() override;
    void enableTimer2() override;

private:
    MainForm& form_;
    SoundActions& sounds_;
    WindowServices& window_;
};

}  // namespace rumblet
