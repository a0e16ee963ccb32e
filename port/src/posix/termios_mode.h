// The device-control block of a Linux port is its termios record: what the
// binary-only flag word and a mode string's settings mean there.
#pragma once

#include <termios.h>

#include "mode_string.h"

namespace port {

// Raw bytes, no parity check, no flow control, no carrier wait; the
// character format (size, parity, stop bits, speed) stays. Reads never block
// in the driver (VMIN = VTIME = 0): the port's read timeouts do the waiting.
void keepOnlyBinary(termios& block);

// Sets what the mode string names; false, with block unchanged, when the
// system has no such setting (a baud rate without a termios speed).
bool applyModeSettings(termios& block, const ModeSettings& mode);

}  // namespace port
