// Helpers for the window tests: a QApplication on the offscreen platform, an
// answerer for the program's modal message boxes, clicks that hit a control
// where a user would, and screenshots of each window for a look by eye.
#pragma once

#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

class QAbstractButton;
class QListWidget;
class QSlider;

namespace rumblet::qttest {

// Presses OK on every message box that opens while it lives, writing down
// each box's title and text.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    std::vector<std::string> texts;
    std::vector<std::string> titles;
    // Set to true when a box offered any button but OK.
    bool sawOtherButtons = false;

private:
    QTimer poll_;
};

// A click on a check box or option button's indicator, as the user makes it.
void clickIndicator(QAbstractButton* button);
// Drags the slider's handle with the mouse to x (in the slider's pixels).
void dragSliderHandle(QSlider* slider, int toX);
// A click on the list's row `row`.
void clickRow(QListWidget* list, int row);

// Writes the window's picture to <build>/screenshots/<name>.png, or
// <name>@2x.png when the screen is scaled (QT_SCALE_FACTOR=2).
std::string saveScreenshot(QWidget* window, const std::string& name);

// Processes window events for `ms` milliseconds (timers tick meanwhile).
void processEventsFor(int ms);

}  // namespace rumblet::qttest
