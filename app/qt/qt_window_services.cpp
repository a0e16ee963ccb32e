#include "app/qt/qt_window_services.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "window/qt/control_binding.h"
#include "window/qt/message_box.h"

namespace rumblet::qtskin {

void endProgramAtOnce() {
    std::fflush(nullptr);
    std::_Exit(0);
}

QtWindowServices::QtWindowServices(std::function<void()> openEditor, std::function<void()> end)
    : openEditor_(std::move(openEditor)), end_(std::move(end)) {}

void QtWindowServices::yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (programHasEnded()) throw ProgramEnded{};
}

void QtWindowServices::messageBox(const std::string& text) { showMessage(text); }

void QtWindowServices::showMainWindow() {
    if (mainWindow_) mainWindow_->show();
}

void QtWindowServices::showSoundEditorModal() {
    if (openEditor_) openEditor_();
}

void QtWindowServices::runtimeError(const std::exception& e) {
    messageBox(e.what());
    endProgram();
}

void QtWindowServices::endProgram() {
    end_();
    markProgramEnded();
    if (mainWindow_) mainWindow_->hide();
}

}  // namespace rumblet::qtskin
