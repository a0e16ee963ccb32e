// The Qt skin's side of window/controls.h: each widget mirrors its control's
// state (captions, texts, values, enabled) through the control's `changed`
// observer, and the user's clicks and moves are routed into the control, so
// every handler runs exactly as the window logic expects:
//  - a user click on a check box is CheckBox::click();
//  - a user click on an option button selects it in its row (the others
//    clear, its click handler runs even when it was selected already);
//  - a user move of a slider is Slider::userMove(); a value set by the
//    program only moves the widget and raises no handler;
//  - a timer ticks from the event loop, so only while events are processed.
// Observers hold guarded widget pointers: a control may outlive its window.
#pragma once

#include <QRect>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "window/controls.h"
#include "window/user_action.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QWidget;

namespace rumblet::qtskin {

// Every routed action runs inside the guard of window/user_action.h.
using rumblet::markProgramEnded;
using rumblet::programHasEnded;
using rumblet::resetProgramEnded;
using rumblet::runUserAction;
using rumblet::setRuntimeErrorHandler;

QString toQt(const std::string& s);
std::string fromQt(const QString& s);

// Places given in twips (1/1440 inch): 15 twips are one pixel at 96 dpi.
// Qt scales these device-independent pixels to the screen.
int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);

// The font of both windows: small, like the classic dialog font, so the
// captions fit the places the windows were laid out for.
void useWindowFont(QWidget* window);

void bindFrame(Frame& frame, QGroupBox* box);
void bindLabel(Label& label, QLabel* widget);
void bindButton(Button& button, QPushButton* widget, std::function<void()> onClick);
void bindTextBox(TextBox& box, QLineEdit* widget);
void bindCheckBox(CheckBox& box, QCheckBox* widget);
void bindSlider(Slider& slider, QSlider* widget);
void bindTimer(Timer& timer, QTimer* qtimer);

// One row of option buttons; `select` makes option i the selected one as a
// click does (usually selectOption on the row).
void bindOption(OptionButton& option, QRadioButton* widget, std::function<void()> select);

}  // namespace rumblet::qtskin
