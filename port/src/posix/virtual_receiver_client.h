// The sending side of the virtual IR receiver, for remote-control programs,
// tests and benchmarks on Linux: sends bursts of line levels (IR frames as a
// receiver shows them) to a COM port mapped to "virtual:<address>": a Unix
// socket path or udp:<address>:<port> (virtual_receiver_address.h).
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <cstdint>
#include <string>
#include <vector>

#include "posix/monotonic_clock.h"
#include "virtual_receiver_address.h"
#include "virtual_receiver_protocol.h"

namespace port::virtual_receiver {

class FrameSender {
public:
    explicit FrameSender(std::string address);
    ~FrameSender();
    FrameSender(const FrameSender&) = delete;
    FrameSender& operator=(const FrameSender&) = delete;

    enum class Result {
        sent,
        noReceiver,  // no port is open on the Unix socket (the program is not running, or closed its port);
                     // over UDP no sender can tell
        busy,        // the receiver has not looked at the line for a while and its queue is full
        failed,      // anything else, an unusable address among it; see the errno it left
    };

    // Sends the line levels `stretches` (at most MAX_STRETCHES, each of 1 to
    // MAX_STRETCH_US) to begin at `startNs` on CLOCK_MONOTONIC (0: when the
    // receiver picks them up; over UDP always then). Never blocks.
    Result send(const std::vector<Stretch>& stretches, int64_t startNs);

    // The address as given ("udp:127.0.0.1:5000" or the socket path).
    const std::string& address() const { return text_; }
    bool overUdp() const { return address_.kind == ReceiverAddress::Kind::udp; }

private:
    std::string text_;
    ReceiverAddress address_;
    bool usable_ = false;
    int fd_ = -1;
};

// The Unix socket's address; false for a path that no Unix socket can have.
bool socketAddress(const std::string& path, sockaddr_un& address);

// The clock of the bursts' start times.
using port::monotonicNowNs;

}  // namespace port::virtual_receiver
