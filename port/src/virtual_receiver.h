// The virtual IR receiver: a serial port without hardware. A COM port mapped
// to "virtual:<address>" (virtual_receiver_address.h) opens this device;
// while it is open the library listens on that datagram socket for IR frames
// (virtual_receiver_protocol.h) and shows each on DCD as a real receiver
// would, timed on the counter that TIMEREADUS reads.
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
#include "timing_system.h"
#include "virtual_receiver_system.h"

namespace port {

// Listens at `address`, the text after "virtual:". Nullptr, with a line on
// standard error naming the address and the reason, when the address is
// unusable or another program listens there: the port is then as
// unavailable as a device held elsewhere.
std::unique_ptr<SerialDevice> openVirtualReceiver(const std::string& address);

// The receiver over an open socket, timed on `clock` (the system's own, or a
// test's); `name` names it in messages.
std::unique_ptr<SerialDevice> virtualReceiverOn(std::unique_ptr<virtual_receiver::ReceiverSocket> socket,
                                                TimingSystem& clock, std::string name);

// Messages the virtual receivers of this process have dropped, by reason.
struct DroppedBursts {
    uint64_t malformed = 0;  // no burst: short, of another kind, absurd counts or stretches
    uint64_t mistimed = 0;   // (Unix socket) to begin more than a second from now
    uint64_t collided = 0;   // could not begin within 50 ms for the bursts before it
};
DroppedBursts virtualReceiverDropped();

}  // namespace port
