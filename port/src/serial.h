// The serial group: one port at a time, opened from a mode string such as
// "COM1:" and configured for the IR receiver (binary mode, no flow control,
// DTR off, RTS on: the receiver draws its power from RTS and DTR and shows
// every IR frame on DCD).
#pragma once

#include <cstdint>
#include <memory>

#include "serial_system.h"
#include "timing.h"

namespace port {

class SerialPort {
public:
    // The timeout every new port gets until TIMEOUT changes it.
    static constexpr int32_t initialTimeout = 30;

    SerialPort(SerialSystem& system, Timing& timing) : system_(system), timing_(timing) {}

    // Closes any open port, then opens and configures the device named
    // before the first colon of mode. Returns the port number (the fourth
    // character of mode as a digit) or 0.
    int32_t open(const char* mode);
    // The system close call's result: 1 when an open port was closed, else 0.
    int32_t close();

    int32_t readByte();
    void sendByte(int32_t value);
    // The previous stored timeout, or -1 when the port did not take the new
    // one (also when no port is open).
    int32_t setTimeout(int32_t ms);

    // 1 when the modem-status bit of the line is set, 0 otherwise and also
    // when no port is open or its status cannot be read.
    int32_t lineIsSet(ModemLine line);

    void setRts(int32_t flag);
    void setDtr(int32_t flag);
    void setBreak(int32_t flag);

    bool isOpen() const { return device_ != nullptr; }
    LineEdges* edges() { return device_ ? device_->edges() : nullptr; }
    int32_t portNumber() const { return portNumber_; }
    int32_t storedTimeout() const { return timeout_; }

private:
    SerialSystem& system_;
    Timing& timing_;
    std::unique_ptr<SerialDevice> device_;
    int32_t portNumber_ = 0;
    int32_t timeout_ = initialTimeout;
};

// The five timeouts built from one value t: a one-byte read waits at most
// 1 + t milliseconds.
CommTimeouts timeoutsFrom(int32_t t);

}  // namespace port
