// The Win32 skin's message loop: every message of the thread goes through
// `dispatch`, which gives the wheel to the window under the mouse (as the
// user sees it), Tab to the skin window's own order of its controls (the
// order they were added, across frames), and the other dialog keys (the
// arrows within a row of options, Space, Enter, Escape) to the system's
// dialog handling of the window the message is for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace rumblet::win32skin {

void dispatch(MSG& message);

// Handles every message waiting, sent ones included, and returns: the
// yield. False when the thread was asked to quit (the request stays for
// the outermost loop).
bool processPendingMessages();

// Handles messages, waiting for each, until `done` says so or the thread is
// asked to quit (the request stays for the outermost loop).
void runMessagesUntil(const std::function<bool()>& done);

// The outermost loop: until the thread is asked to quit; the exit code.
int runMessageLoop();

// The program's message box: the system's modal box with the program's
// title and an OK button only, over the window that takes the input (the
// editor while it is open); returns when the user has closed it.
void showMessage(const std::string& text);

}  // namespace rumblet::win32skin
