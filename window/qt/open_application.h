// The program's connection to the window system. Where Qt cannot reach a
// display it ends the program with an abort and a core dump; started from a
// terminal without one (ssh, sudo, a service) the player reads one line of
// the program's own instead, and the program ends with status 1.
#pragma once

#include <QApplication>

#include <memory>
#include <string>

namespace rumblet::qtskin {

// Why no window can be shown, judged before Qt is asked: empty when the
// environment or the arguments name a display or a Qt platform (Qt then
// decides, its -platform and -display arguments included).
std::string missingDisplay(int argc, char** argv);

// The QApplication over `argc` and `argv` (Qt takes its own arguments out
// of them). Without a display: "<program>: kein Bildschirm (<why>)." on
// standard error and nothing returned; when Qt fails to open the display
// that is named, the same line and the end of the program with status 1.
std::unique_ptr<QApplication> openApplication(int& argc, char** argv, const char* program);

}  // namespace rumblet::qtskin
