// The sending side of the virtual IR receiver, for remote-control programs,
// tests and benchmarks: sends bursts of line levels (IR frames as a receiver
// shows them) to the socket of a COM port mapped to "virtual:<socket path>".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monotonic_clock.h"
#include "virtual_receiver_protocol.h"

namespace port::virtual_receiver {

class FrameSender {
public:
    explicit FrameSender(std::string socketPath);
    ~FrameSender();
    FrameSender(const FrameSender&) = delete;
    FrameSender& operator=(const FrameSender&) = delete;

    enum class Result {
        sent,
        noReceiver,  // no port is open on the socket (the program is not running, or closed its port)
        busy,        // the receiver has not looked at the line for a while and its queue is full
        failed,      // anything else; see the errno it left
    };

    // Sends the line levels `stretches` (at most MAX_STRETCHES, each of 1 to
    // MAX_STRETCH_US) to begin at `startNs` on CLOCK_MONOTONIC (0: when the
    // receiver picks them up). Never blocks.
    Result send(const std::vector<Stretch>& stretches, int64_t startNs);

    const std::string& socketPath() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// The clock of the bursts' start times.
using port::monotonicNowNs;

}  // namespace port::virtual_receiver
