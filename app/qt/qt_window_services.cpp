#include "app/qt/qt_window_services.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>

#include "window/qt/message_box.h"

namespace rumblet::qtskin {

void QtWindowServices::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtWindowServices::messageBox(const std::string& text) { showMessage(text); }

void QtWindowServices::showMainWindow() {
    if (mainWindow_) mainWindow_->show();
}

void QtWindowServices::hideMainWindow() {
    if (mainWindow_) mainWindow_->hide();
}

}  // namespace rumblet::qtskin
