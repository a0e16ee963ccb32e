// The window system on Qt for the main window's logic: the yield processes
// all pending events and returns, message boxes are the program's, the
// editor runs modal over the main window, and the end is immediate.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "window/window_services.h"

class QWidget;

namespace rumblet::qtskin {

// The real end of the program: nothing runs after it, no window stays.
[[noreturn]] void endProgramAtOnce();

class QtWindowServices : public WindowServices {
public:
    // `openEditor` shows the sound editor modal and returns when it closed;
    // `end` ends the program (tests give one that returns).
    explicit QtWindowServices(std::function<void()> openEditor,
                              std::function<void()> end = endProgramAtOnce);

    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    // Processes all pending window events and returns. Once the program has
    // ended inside it (a test's end returns), it unwinds the handlers that
    // are still open instead of returning.
    void yield() override;
    void messageBox(const std::string& text) override;
    void showMainWindow() override;
    void showSoundEditorModal() override;
    void endProgram() override;

    // The program's standard run-time error: its message, then the end.
    void runtimeError(const std::exception& e);

private:
    std::function<void()> openEditor_;
    std::function<void()> end_;
    QWidget* mainWindow_ = nullptr;
};

}  // namespace rumblet::qtskin
