// A Linux IR receiver as the serial port of a COM name mapped to
// "lirc:/dev/lircN": any receiver whose driver reports raw pulse and space
// lengths (LIRC mode2), among them the kernel's driver for the home-made
// receiver on a serial port's DCD, USB receivers and receivers on a GPIO pin.
//
// The kernel times each edge in its interrupt handler and hands over the
// lengths between them; a thread of the library reads them as they come and
// records the line's edges, so that no load on the machine can stretch
// them. The kernel may hand a frame over in batches; its edges keep their
// times.
//
// As a port: DCD reads the current level (1 while no IR light is seen); CTS,
// DSR and RI read 0; RTS, DTR, TXD and SENDBYTE act on nothing (the system,
// not RTS, powers such a receiver); READBYTE gives -1 after the read
// timeout; TIMEOUT stores its value as on any port.
#pragma once

#include <memory>
#include <string>

#include "serial_system.h"

namespace port {

// Opens the device and switches it to pulse lengths. Nullptr, with a line on
// standard error naming the device and the reason, when it cannot be opened
// or cannot report pulse lengths.
std::unique_ptr<SerialDevice> openLircReceiver(const std::string& path);

// The receiver over a descriptor that already delivers mode2 words (4 bytes
// each, in the machine's byte order); `path` names it in messages. Takes
// over the descriptor.
std::unique_ptr<SerialDevice> lircReceiverOn(int fd, const std::string& path);

}  // namespace port
