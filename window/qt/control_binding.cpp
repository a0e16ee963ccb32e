#include "window/qt/control_binding.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

namespace rumblet::qtskin {

QString toQt(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

std::string fromQt(const QString& s) { return s.toLocal8Bit().toStdString(); }

int twipsToPixels(int twips) { return (twips + 7) / 15; }

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void useWindowFont(QWidget* window) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStretch(QFont::Condensed);
    font.setPixelSize(11);
    window->setFont(font);
}

namespace {

// The state every control shares: enabled and visible.
void showCommon(const Control& c, QWidget* w) {
    w->setEnabled(c.enabled);
    w->setVisible(c.visible);
}

}  // namespace

void bindFrame(Frame& frame, QGroupBox* box) {
    QPointer<QGroupBox> w(box);
    frame.changed = [&frame, w] {
        if (!w) return;
        w->setTitle(toQt(frame.caption));
        showCommon(frame, w);
    };
    frame.changed();
}

void bindLabel(Label& label, QLabel* widget) {
    QPointer<QLabel> w(widget);
    label.changed = [&label, w] {
        if (!w) return;
        w->setText(toQt(label.caption));
        showCommon(label, w);
    };
    label.changed();
}

void bindButton(Button& button, QPushButton* widget, std::function<void()> onClick) {
    QPointer<QPushButton> w(widget);
    button.changed = [&button, w] {
        if (!w) return;
        w->setText(toQt(button.caption));
        showCommon(button, w);
    };
    button.changed();
    QObject::connect(widget, &QPushButton::clicked, widget, [onClick = std::move(onClick)] { runUserAction(onClick); });
}

void bindTextBox(TextBox& box, QLineEdit* widget) {
    QPointer<QLineEdit> w(widget);
    // A display: the program never reads back what is typed into it.
    widget->setReadOnly(true);
    box.changed = [&box, w] {
        if (!w) return;
        w->setText(toQt(box.text));
        w->setCursorPosition(0);
        showCommon(box, w);
    };
    box.changed();
}

void bindCheckBox(CheckBox& box, QCheckBox* widget) {
    QPointer<QCheckBox> w(widget);
    box.changed = [&box, w] {
        if (!w) return;
        w->setText(toQt(box.caption));
        w->setChecked(box.value);
        showCommon(box, w);
    };
    box.changed();
    // The widget has toggled itself; the control decides what it shows.
    QObject::connect(widget, &QCheckBox::clicked, widget, [&box, w] {
        runUserAction([&box] { box.click(); });
        if (w) w->setChecked(box.value);
    });
}

void bindOption(OptionButton& option, QRadioButton* widget, std::function<void()> select) {
    QPointer<QRadioButton> w(widget);
    widget->setAutoExclusive(false);  // the row in the control state decides
    option.changed = [&option, w] {
        if (!w) return;
        w->setText(toQt(option.caption));
        w->setChecked(option.value);
        showCommon(option, w);
    };
    option.changed();
    QObject::connect(widget, &QRadioButton::clicked, widget, [&option, w, select = std::move(select)] {
        runUserAction(select);
        if (w) w->setChecked(option.value);
    });
}

void bindSlider(Slider& slider, QSlider* widget) {
    QPointer<QSlider> w(widget);
    widget->setTracking(true);
    slider.changed = [&slider, w] {
        if (!w) return;
        w->blockSignals(true);
        w->setRange(slider.min, slider.max);
        w->setValue(slider.value);
        w->setSliderPosition(slider.value);
        w->setSingleStep(slider.smallChange);
        w->setPageStep(slider.largeChange);
        w->setTickInterval(slider.tickFrequency);
        w->setTickPosition(slider.tickFrequency > 0 && slider.max > slider.min ? QSlider::TicksBelow
                                                                                : QSlider::NoTicks);
        w->blockSignals(false);
        showCommon(slider, w);
    };
    slider.changed();
    // Every move by the user (keys, page clicks, wheel, dragging) arrives as
    // an action with the new position, before the widget takes it as its
    // value; the control's value, possibly corrected by the handler, is what
    // the widget then keeps.
    QObject::connect(widget, &QAbstractSlider::actionTriggered, widget, [&slider, w](int) {
        if (!w) return;
        int32_t position = w->sliderPosition();
        runUserAction([&slider, position] { slider.userMove(position); });
        if (w) w->setSliderPosition(slider.value);
    });
}

void bindTimer(Timer& timer, QTimer* qtimer) {
    QPointer<QTimer> t(qtimer);
    qtimer->setTimerType(Qt::PreciseTimer);
    timer.changed = [&timer, t] {
        if (!t) return;
        t->setInterval(timer.interval);
        if (timer.enabled && !t->isActive()) t->start();
        if (!timer.enabled) t->stop();
    };
    timer.changed();
    QObject::connect(qtimer, &QTimer::timeout, qtimer, [&timer] { runUserAction([&timer] { timer.tick(); }); });
}

}  // namespace rumblet::qtskin
