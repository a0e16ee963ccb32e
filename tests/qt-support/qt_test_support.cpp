#include "qt_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyleOptionButton>
#include <QTest>

namespace rumblet::qttest {

MessageBoxAnswerer::MessageBoxAnswerer() {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        titles.push_back(box->windowTitle().toStdString());
        texts.push_back(box->text().toStdString());
        if (box->standardButtons() != QMessageBox::Ok) sawOtherButtons = true;
        box->button(QMessageBox::Ok)->click();
    });
    poll_.start();
}

MessageBoxAnswerer::~MessageBoxAnswerer() { poll_.stop(); }

void clickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

void dragSliderHandle(QSlider* slider, int toX) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    option.subControls = QStyle::SC_All;
    QPoint handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
    QPoint target(toX, handle.y());
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handle);
    QTest::mouseMove(slider, (handle + target) / 2);
    QTest::mouseMove(slider, target);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, target);
}

void clickRow(QListWidget* list, int row) {
    QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

std::string saveScreenshot(QWidget* window, const std::string& name) {
    QDir().mkpath(QStringLiteral(RUMBLET_SCREENSHOT_DIR));
    QPixmap picture = window->grab();
    std::string suffix = picture.devicePixelRatio() > 1.5 ? "@2x" : "";
    std::string path = std::string(RUMBLET_SCREENSHOT_DIR) + "/" + name + suffix + ".png";
    picture.save(QString::fromStdString(path));
    return path;
}

void processEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(1);
    }
}

}  // namespace rumblet::qttest
