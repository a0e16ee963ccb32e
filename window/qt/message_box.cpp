#include "window/qt/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "window/qt/control_binding.h"
#include "window/window_services.h"

namespace rumblet::qtskin {

void showMessage(const std::string& text, QWidget* parent) {
    if (!parent) parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(rumblet::PROGRAM_TITLE), toQt(text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MsgBox"));
    box.exec();
}

}  // namespace rumblet::qtskin
