#include "app/qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include "app/end_requests.h"
#include "window/qt/control_binding.h"

namespace rumblet::qtskin {

QString widgetName(const std::string& controlName) {
    QString name = toQt(controlName);
    name.replace(QLatin1Char('('), QLatin1Char('_'));
    name.remove(QLatin1Char(')'));
    return name;
}

MainWindow::MainWindow(MainForm& form) : form_(form) {
    setObjectName(QStringLiteral("mainform"));
    setWindowTitle(toQt(form.caption));
    setFixedSize(twipsToPixels(MainForm::CLIENT_WIDTH), twipsToPixels(MainForm::CLIENT_HEIGHT));
    useWindowFont(this);

    // The layout lists frames before what they hold, in the window's order.
    QMap<QString, QWidget*> containers;
    for (PlacedControl& placed : form.layout()) {
        QWidget* parent = placed.container.empty() ? this : containers.value(toQt(placed.container), this);
        QWidget* widget = nullptr;
        switch (placed.kind) {
            case ControlKind::Frame: {
                auto* box = new QGroupBox(parent);
                bindFrame(*std::get<Label*>(placed.control), box);
                containers.insert(toQt(placed.name), box);
                widget = box;
                break;
            }
            case ControlKind::CheckBox: {
                auto* box = new QCheckBox(parent);
                bindCheckBox(*std::get<CheckBox*>(placed.control), box);
                widget = box;
                break;
            }
            case ControlKind::Button: {
                auto* button = new QPushButton(parent);
                button->setAutoDefault(false);
                bindButton(*std::get<Label*>(placed.control), button, placed.click);
                widget = button;
                break;
            }
            case ControlKind::TextBox: {
                auto* box = new QLineEdit(parent);
                bindTextBox(*std::get<TextBox*>(placed.control), box);
                widget = box;
                break;
            }
        }
        widget->setObjectName(widgetName(placed.name));
        widget->setGeometry(twipsRect(placed.place.left, placed.place.top, placed.place.width, placed.place.height));
    }

    auto* timer2 = new QTimer(this);
    timer2->setObjectName(QStringLiteral("Timer2"));
    bindTimer(form.Timer2, timer2);
}

void closeOnEndRequests(QWidget& window) {
    const int requests = watchEndRequests();
    if (requests < 0) return;
    auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [notifier, &window] {
        // The close may show a message box whose event loop would see the
        // same request again.
        notifier->setEnabled(false);
        // Open boxes and an open editor close first, top one first, as the
        // user would close them: the editor saves on its close.
        QWidget* last = nullptr;
        for (QWidget* modal = QApplication::activeModalWidget(); modal && modal != last && modal != &window;
             modal = QApplication::activeModalWidget()) {
            last = modal;
            modal->close();
        }
        window.close();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    runUserAction([this] { form_.Form_Unload(); });
    event->accept();
}

}  // namespace rumblet::qtskin
