// The device-control block of a Linux port is its termios record: what the
// binary-only flag word and a mode string's settings mean there.
#pragma once

#include <termios.h>

#include "mode_string.h"

namespace port {

// DTR and RTS once the record is applied: termios has no place for them,
// the modem-control calls set them afterwards.
struct ModemLevels {
    bool dtr = false;
    bool rts = false;
};

// Raw bytes, no parity check, no flow control, no carrier wait; the
// character format (size, parity, stop bits, speed) stays. Reads never block
// in the driver (VMIN = VTIME = 0): the port's read timeouts do the waiting.
// DTR and RTS control disabled: both lines off.
void keepOnlyBinary(termios& block, ModemLevels& levels);

// Sets what the mode string names. False, with block and levels unchanged,
// when termios cannot express a setting, so that no port ever runs with a
// value it was not given:
//   - a baud rate without a termios speed;
//   - 1.5 stop bits with 6 to 8 data bits, or 2 stop bits with 5: Linux has
//     one flag for "more than one stop bit", which the UART turns into 1.5
//     with 5 data bits and 2 otherwise;
//   - output flow control on DSR (odsr=on), DSR sensitivity (idsr=on), DTR
//     as a handshake line (dtr=hs), RTS raised only while sending (rts=tg):
//     termios has none of them;
//   - CTS output flow without RTS as the input handshake, or the reverse
//     (octs=on without rts=hs): termios couples both halves in CRTSCTS.
// to= is read and has no effect: the port's read and write timeouts are the
// library's own (TIMEOUT), set right after the record.
bool applyModeSettings(termios& block, ModemLevels& levels, const ModeSettings& mode);

}  // namespace port
