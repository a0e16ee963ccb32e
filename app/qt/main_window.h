// The main window's Qt skin over the toolkit-free MainForm: every control of
// its layout as a widget at its place (twips scaled to the screen), named
// like the control ("Check1", "Text2_3", "Text5_1"), the watchdog Timer2 as
// a QTimer, and the close box running the unload handler.
#pragma once

#include <QWidget>

#include "app/mainform.h"

class QCloseEvent;

namespace rumblet::qtskin {

class MainWindow : public QWidget {
public:
    explicit MainWindow(MainForm& form);

protected:
    // Closing runs ende, which ends the program at once, also from inside
    // the receive loop.
    void closeEvent(QCloseEvent* event) override;

private:
    MainForm& form_;
};

// The system's requests to end the program close `window`, as its close box
// does, after closing what is open over it (message boxes, the editor, which
// saves as it closes); the first request counts, later ones find the program
// ending.
void closeOnEndRequests(QWidget& window);

// A layout name as a widget's object name: "Text2(3)" -> "Text2_3".
QString widgetName(const std::string& controlName);

}  // namespace rumblet::qtskin
