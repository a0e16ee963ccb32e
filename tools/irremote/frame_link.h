// irremote's link to the virtual receiver: sends each frame a little ahead
// of its time and tells the user once when no receiver is listening (on a
// Unix socket; over UDP the receiver places each frame by its arrival, and
// no sender can tell whether anyone listens).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "posix/virtual_receiver_client.h"
#include "remote.h"

namespace irremote {

// The address of the virtual receiver behind a COM port name (a socket path
// or udp:<address>:<port>), from the same mapping the port library uses
// (PORT_COMn or the serial configuration file); empty with a reason when that
// port is not mapped to a virtual receiver.
std::string receiverAddressForPort(const std::string& comName, std::string& whyNot);

class FrameLink {
public:
    // Frames are sent to begin this long after they are handed over, so the
    // receiver has them before their header starts.
    static constexpr int64_t LEAD_NS = 5'000'000;

    using Log = std::function<void(const std::string&)>;
    FrameLink(std::string address, Log log) : sender_(std::move(address)), log_(std::move(log)) {}

    void send(const TimedFrame& frame);

    // Whether the last frame reached a listening receiver.
    bool receiverListening() const { return listening_; }
    int64_t framesSent() const { return sent_; }
    int64_t framesLost() const { return lost_; }
    const std::string& address() const { return sender_.address(); }
    bool overUdp() const { return sender_.overUdp(); }

private:
    port::virtual_receiver::FrameSender sender_;
    Log log_;
    bool listening_ = true;
    int64_t sent_ = 0;
    int64_t lost_ = 0;
};

// The frame's bits as text, bit 0 first ("0 01 0 0101 0 0101 0 0 00 0").
std::string frameText(const IrFrame& frame);

}  // namespace irremote
