// The window system's services as every window skin gives them to the main
// window's logic: the yield handles all waiting events and returns, the
// editor runs modal, and the end of the program is immediate. A skin only
// says how its events are handled and how its windows show and go.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "window/window_services.h"

namespace rumblet {

// The real end of the program: nothing runs after it, no window stays. Its
// exit status is 0, or 1 once the standard run-time error has ended it.
[[noreturn]] void endProgramAtOnce();

class SkinWindowServices : public WindowServices {
public:
    // `openEditor` shows the sound editor modal and returns when it closed;
    // `end` ends the program (tests give one that returns).
    explicit SkinWindowServices(std::function<void()> openEditor,
                                std::function<void()> end = endProgramAtOnce);

    // Handles all waiting events and returns. Once the program has ended
    // inside it (a test's end returns), it unwinds the handlers that are
    // still open instead of returning (ProgramEnded).
    void yield() override;
    void showSoundEditorModal() override;
    void endProgram() override;
    void endProgramAfterError() override;

    // The program's standard run-time error: its message, then the end
    // after an error.
    void runtimeError(const std::exception& e);

protected:
    virtual void processEvents() = 0;
    virtual void hideMainWindow() = 0;

private:
    std::function<void()> openEditor_;
    std::function<void()> end_;
};

}  // namespace rumblet
