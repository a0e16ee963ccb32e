// What the serial group needs of the operating system: one open port device
// and the way to open one by name. The logic in serial.cpp decides when each
// step happens; the per-OS files under posix/ and win32/ only perform it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "line_edges.h"

namespace port {

// The port's five read and write timeouts, in milliseconds.
struct CommTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;

    friend bool operator==(const CommTimeouts&, const CommTimeouts&) = default;
};

// The extended line functions, numbered as the system's serial driver knows
// them (the IR receiver is powered from RTS and DTR).
enum class LineFunction : uint32_t { setRts = 3, clearRts = 4, setDtr = 5, clearDtr = 6 };

// Bits of the modem status word: the receiver's output arrives on DCD.
enum class ModemLine : uint32_t { cts = 0x10, dsr = 0x20, ring = 0x40, carrier = 0x80 };

// One opened port device. Each call is one system call (or the nearest the
// system has); none of them retries or caches.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Clears the port's error state; what it reports is of no interest.
    virtual void clearErrors() = 0;

    // The device-control block: read the port's current one, keep only the
    // binary-mode flag (no parity check, no flow control, DTR and RTS
    // control disabled), apply a mode string such as "COM1:9600,N,8,1" to
    // it, and write it back to the port. Baud rate, parity, data and stop
    // bits stay as the device had them unless the mode string sets them.
    virtual bool readState() = 0;
    virtual void keepOnlyBinaryFlag() = 0;
    virtual bool buildFromMode(const std::string& mode) = 0;
    virtual bool writeState() = 0;

    virtual bool setTimeouts(const CommTimeouts& timeouts) = 0;

    // One byte within the read timeouts: 0..255, or -1 when none came or the
    // read failed.
    virtual int32_t readByte() = 0;

    // Sends one byte ahead of any queued output.
    virtual bool transmitChar(uint8_t byte) = 0;

    virtual bool escape(LineFunction function) = 0;
    virtual bool setBreak(bool on) = 0;

    // The modem status word (ModemLine bits); false when it cannot be read.
    virtual bool modemStatus(uint32_t& status) = 0;

    // The device's timed DCD changes, recorded while it is open; nullptr
    // for a device that records none (its callers poll DCD).
    virtual LineEdges* edges() { return nullptr; }

    // Closes the device; the object is discarded afterwards either way.
    virtual bool close() = 0;
};

class SerialSystem {
public:
    virtual ~SerialSystem() = default;

    // Opens the named device for reading and writing, unshared; nullptr when
    // it is absent, held by another program, or cannot be opened.
    virtual std::unique_ptr<SerialDevice> open(const std::string& deviceName) = 0;
};

// The operating system's serial ports (posix/ or win32/).
SerialSystem& systemSerial();

}  // namespace port
