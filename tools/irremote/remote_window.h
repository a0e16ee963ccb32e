// irremote's window: one panel per remote (on/off with model and mode, the
// two tracks as sliders, fire, turret) and the keyboard for the selected
// remote. It only mirrors and steers the Session; a script plays the same way.
#pragma once

#include <QWidget>

#include <array>

#include "session.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

namespace irremote {

class RemoteWindow : public QWidget {
public:
    // With `quitAtScriptEnd` the application ends when the script is over.
    RemoteWindow(Session& session, bool quitAtScriptEnd);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    struct Panel {
        QGroupBox* box = nullptr;
        QPushButton* on = nullptr;
        QSpinBox* model = nullptr;
        QComboBox* mode = nullptr;
        QCheckBox* single = nullptr;
        QCheckBox* newModel = nullptr;
        QSlider* left = nullptr;
        QSlider* right = nullptr;
        QLabel* speeds = nullptr;
        QPushButton* fire = nullptr;
        QPushButton* turret = nullptr;
        QLabel* frame = nullptr;
    };

    QGroupBox* makePanel(int n);
    void switchRemote(int n, bool on);
    void select(int n);
    void showState();
    bool pressKey(int key, bool pressed);

    Session& session_;
    std::array<Panel, CONTROLLERS> panels_;
    QLabel* status_ = nullptr;
    int selected_ = 0;
};

}  // namespace irremote
