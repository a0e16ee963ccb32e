// The sending side of the virtual IR receiver, for remote-control programs,
// tests and benchmarks: sends IR frames to the socket of a COM port mapped
// to "virtual:<socket path>".
#pragma once

#include <cstdint>
#include <string>

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

    // Sends `frame` (bit i = frame bit i) to begin at `startNs` on
    // CLOCK_MONOTONIC (0: when the receiver picks it up). Never blocks.
    Result send(uint32_t frame, int64_t startNs);

    const std::string& socketPath() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// CLOCK_MONOTONIC in nanoseconds, the clock of the frames' start times.
int64_t monotonicNowNs();

}  // namespace port::virtual_receiver
