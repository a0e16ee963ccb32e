// Where a virtual IR receiver listens, as the text after "virtual:" in a COM
// port's mapping names it:
//   udp:<port>                  UDP on the loopback address 127.0.0.1
//   udp:<IPv4 address>:<port>   UDP on that address; the receiver listens
//                               beyond this machine only when told so here
//   udp:localhost:<port>        the same as udp:<port>
//   <socket path>               a Unix datagram socket (Linux)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace port::virtual_receiver {

struct ReceiverAddress {
    enum class Kind { unixSocket, udp };

    Kind kind = Kind::unixSocket;
    std::string socketPath;           // unixSocket
    uint32_t ipv4 = 0x7F00'0001;      // udp: in host byte order (127.0.0.1)
    uint16_t port = 0;                // udp: 1 to 65535

    // "udp:127.0.0.1:5000", or the socket path.
    std::string text() const;
};

// The address `text` names, or nullopt with `problem` saying what is wrong.
std::optional<ReceiverAddress> parseReceiverAddress(std::string_view text, std::string& problem);

}  // namespace port::virtual_receiver
