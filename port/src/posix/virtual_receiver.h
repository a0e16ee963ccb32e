// The virtual IR receiver: a serial port without hardware. A COM port mapped
// to "virtual:<socket path>" opens this device; while it is open the library
// listens on that Unix datagram socket for IR frames (virtual_receiver_
// protocol.h) and shows each on DCD as a real receiver would, timed on the
// same CLOCK_MONOTONIC that TIMEREADUS reads.
//
// The rest of the port behaves as a real one with a receiver on it: RTS and
// DTR are taken, bytes sent are swallowed, no byte ever arrives (READBYTE
// gives -1 after the read timeout), CTS, DSR and RI read 0. Like the real
// receiver, which draws its power from the control lines, it drives DCD only
// while RTS is on and DTR off; otherwise DCD reads 0.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "serial_system.h"

namespace port {

// Binds the socket at `socketPath` (replacing a stale socket file that no one
// listens on). Nullptr when the path is unusable or another program listens
// there: the port is then as unavailable as a device held elsewhere.
// The socket file is the owner's alone (0600). Bursts whose start lies more
// than a second from now are dropped; virtualReceiverFarBursts counts them
// for the whole process.
std::unique_ptr<SerialDevice> openVirtualReceiver(const std::string& socketPath);
uint64_t virtualReceiverFarBursts();

}  // namespace port
