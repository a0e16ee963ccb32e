// The sound editor's Qt window: a thin skin over the toolkit-free Soundedit.
// Every control of the editor becomes a widget at its place (96-dpi pixels,
// scaled by Qt); widgets are named like their controls ("Option1_2",
// "Slider1_0", "File1") so tests can find them.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "editor/soundedit.h"

class QTimer;

namespace rumblet::qtskin {

// The editor's system on Qt: message boxes and the user's decimal separator.
class QtSoundeditSystem : public SkinSoundeditSystem {
public:
    using SkinSoundeditSystem::SkinSoundeditSystem;
    void MsgBox(const std::string& text) override;
    std::string decimalSeparator() const override;
};

class SoundeditDialog : public QDialog {
public:
    SoundeditDialog(Soundedit& editor, QWidget* owner);

    // Runs the editor's load handler, then shows the window modal over its
    // owner; returns when the window has closed (and saved).
    int showModal();

    // Every way of closing (the close box, Escape) ends here: the editor's
    // unload handler saves and reloads before the window goes.
    void done(int result) override;

private:
    void buildWidgets();

    Soundedit& editor_;
    QTimer* timer1_ = nullptr;
    bool unloaded_ = false;
};

}  // namespace rumblet::qtskin
