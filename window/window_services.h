// What the main window's logic needs of the window system, and nothing more:
// the yield, the modal message box, showing the main window, the modal sound
// editor and the end of the program. The Qt skin implements it; tests fake it.
#pragma once

#include <string>

namespace rumblet {

inline constexpr const char* PROGRAM_TITLE = "rumblet";  // message box title

// Thrown by the main window after WindowServices::endProgram() has returned,
// which only a test's fake does: it unwinds every nested handler and receive
// loop so that nothing runs after the end. Deliberately no std::exception, so
// that no handler's error guard swallows it.
struct ProgramEnded {};

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // Processes all pending window events (clicks, timer ticks, painting)
    // and returns. The main window's handlers run inside it.
    virtual void yield() = 0;

    // The platform's modal message box with an OK button only and the
    // program's title; returns when the user closes it.
    virtual void messageBox(const std::string& text) = 0;

    // Makes the main window visible (the last step of the sound set-up).
    virtual void showMainWindow() = 0;

    // Shows the sound editor modally, owned by the main window; returns when
    // the editor has closed.
    virtual void showSoundEditorModal() = 0;

    // Ends the program at once: every window goes away, no further handler
    // runs, also when called from inside a nested yield. The real one does
    // not return.
    virtual void endProgram() = 0;

    // The same end after the standard run-time error (a failing operation
    // that no procedure handles), which whoever started the program learns
    // from its exit status. A window system without an exit status (a test's
    // fake) ends as endProgram does.
    virtual void endProgramAfterError() { endProgram(); }
};

}  // namespace rumblet
