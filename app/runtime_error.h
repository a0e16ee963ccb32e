// The program's standard run-time error: a failing operation that no
// procedure handles (a missing port library or function, a sound object that
// refuses an operation). The main window's handlers catch it, show its
// message and end the program; nothing goes on after it.
#pragma once

#include <stdexcept>

namespace rumblet {

class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace rumblet
