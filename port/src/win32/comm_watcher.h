// DCD of a real COM port on Windows, timed by a thread of the library: it
// waits for carrier-detect changes (an overlapped WaitCommEvent for
// EV_RLSD), reads the level (GetCommModemStatus) and stamps each change with
// the performance counter that TIMEREADUS reads, at time-critical thread
// priority. The decisions are those of every watcher (modem_line_watch.h):
// the driver's count here is the number of carrier-detect reports, so two
// reports that find the same level are a lost pair.
//
// The port must be opened for overlapped I/O: a synchronous handle lets
// one operation at a time through, and the thread's wait would hold every
// DCD query and read of the caller until the next change. The port's own
// reads and immediate characters therefore go through overlappedRead and
// overlappedImmediateChar, each with an event of its own (the handle itself
// is signalled by the watcher's reports too).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "modem_line_watch.h"

namespace port {

// Starts watching the open port `port` (named `name` in messages); nullptr
// where its driver cannot report carrier-detect changes (the port is then
// polled).
std::unique_ptr<LineWatcher> watchCommLines(HANDLE port, const std::string& name);

// Ends a watcher made by watchCommLines. At the process's end the system
// has already ended the thread: the watcher is left as it is.
void endCommWatcher(std::unique_ptr<LineWatcher>& watcher);

// The library is being unloaded (DLL_PROCESS_DETACH); `processEnding` when
// the whole process ends. A watching thread stopped during the unload ends
// without the loader's lock, which the unloading thread holds.
void libraryUnloading(bool processEnding);

// One byte within the port's read timeouts, and one character sent ahead of
// any queued output, on a port opened for overlapped I/O; as ReadFile and
// TransmitCommChar on a synchronous one.
int32_t overlappedRead(HANDLE port);
bool overlappedImmediateChar(HANDLE port, uint8_t byte);

}  // namespace port
