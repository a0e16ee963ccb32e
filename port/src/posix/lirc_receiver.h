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

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serial_system.h"

namespace port {

class EdgeRecord;

// Turns the kernel's mode2 words into the line's edges. The lengths in the
// words are the truth; when a read brings them is not. So the time of a
// read only places a chain of words as a whole: after an idle time, the
// chain's words that the first read brings are placed so that the last of
// them ends at the moment of that read, and every later word of the chain
// follows by its length alone, whenever its own read comes (a later read
// that comes sooner after its level than the first did must not cut that
// level short; the chain may then run a little ahead of the reads, by as
// much as its first read came late). A carrier report measures nothing and
// moves nothing. The chain ends at the kernel's idle or overflow report.
class Mode2Timeline {
public:
    explicit Mode2Timeline(EdgeRecord& record) : record_(record) {}

    // The `count` words one read brought at `readNs`.
    void take(const uint32_t* words, size_t count, int64_t readNs);

    bool high() const { return high_; }

private:
    void take(uint32_t word, int64_t readNs);
    void idle(int64_t readNs);
    void change(bool high, int64_t at);

    EdgeRecord& record_;
    bool synced_ = false;  // a chain is placed
    bool high_ = true;
    int64_t last_ = 0;     // the end of the chain so far
};

// Opens the device and switches it to pulse lengths. Nullptr, with a line on
// standard error naming the device and the reason, when it cannot be opened
// or cannot report pulse lengths.
std::unique_ptr<SerialDevice> openLircReceiver(const std::string& path);

// The receiver over a descriptor that already delivers mode2 words (4 bytes
// each, in the machine's byte order); `path` names it in messages. Takes
// over the descriptor.
std::unique_ptr<SerialDevice> lircReceiverOn(int fd, const std::string& path);

}  // namespace port
