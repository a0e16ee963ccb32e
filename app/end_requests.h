// The system's requests to end the program (SIGTERM, SIGINT, SIGHUP on
// POSIX systems) reach the window thread as an ordinary event: the program
// then ends as closing its main window does (port closed, IR.ini saved,
// sounds released), never in the middle of a handler.
#pragma once

namespace rumblet {

// Catches the end requests from now on and returns a descriptor that
// becomes readable when one has arrived, for the window system to watch;
// -1 when they cannot be caught (the system's default then applies).
int watchEndRequests();

}  // namespace rumblet
