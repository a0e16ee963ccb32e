// DCD of a real serial port on Linux, timed by a thread that sleeps until
// the line changes (TIOCMIWAIT) and takes the time when it wakes, at
// real-time priority where the system allows it; the driver's interrupt
// counter (TIOCGICOUNT) tells how many changes came (modem_line_watch.h:
// every change is recorded or reported lost). The times are only as good as
// that thread's wake-up: under load without real-time rights it may wake
// late, and a change it sees late is timed late.
//
// The thread is woken and stopped with a signal of its own (the highest
// real-time signal but two), whose handler the library installs only where
// the program left that signal alone. Where it did not, or a device has no
// modem-line interrupts (a pseudo-terminal, many USB adapters: no
// TIOCGICOUNT), or cannot wait for them (TIOCMIWAIT refused), no edges are
// recorded and the port is polled.
#pragma once

#include <memory>
#include <string>

#include "modem_line_watch.h"

namespace port {

// Starts watching the open tty `fd` (named `path` in messages); nullptr where
// it cannot be watched.
std::unique_ptr<LineWatcher> watchModemLines(int fd, const std::string& path);

}  // namespace port
