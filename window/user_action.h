// What every window skin does with a user's action (a click, a key, a timer
// tick, a close) that it routes into a handler: the action runs inside one
// guard, so the window system's event loop never sees an exception.
//  - A failure that no handler deals with is the program's standard run-time
//    error: its message, then the end of the program.
//  - When the end of the program returns (only a test's end does), the
//    program counts as ended: no further action runs, and the skin's next
//    yield unwinds the handlers that are still open (ProgramEnded).
#pragma once

#include <exception>
#include <functional>

namespace rumblet {

void runUserAction(const std::function<void()>& action);

// What the standard run-time error does; the program's entry sets it (tests
// may set their own). Without one, the message goes to the error output and
// the process ends.
void setRuntimeErrorHandler(std::function<void(const std::exception&)> handler);

// Whether the program has ended (see runUserAction); tests start afresh.
bool programHasEnded();
void markProgramEnded();
void resetProgramEnded();

}  // namespace rumblet
