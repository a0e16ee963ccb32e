// The virtual IR receiver's message: one burst of line levels (an IR frame
// as the receiver's DCD output shows it) and the moment it begins. A
// remote-control program sends it as one datagram to the Unix socket that the
// port library listens on while a COM port mapped to "virtual:<socket path>"
// is open; the library replays the levels on DCD. The library knows nothing
// of what the levels mean.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace port::virtual_receiver {

// One stretch of constant line level; the line is high after the last one.
struct Stretch {
    bool low = false;
    int32_t microseconds = 0;
};

inline constexpr uint32_t BURST_MESSAGE_MAGIC = 0x32505249;  // "IRP2"
// An IR frame has 37 stretches (a header pulse, then a gap and a pulse per bit).
inline constexpr uint32_t MAX_STRETCHES = 64;
// A longer stretch is no IR signal; a message that has one is ignored.
inline constexpr int32_t MAX_STRETCH_US = 100'000;

struct WireStretch {
    uint32_t low = 0;  // 1 while the receiver sees an IR burst
    int32_t microseconds = 0;
};

struct BurstMessage {
    uint32_t magic = BURST_MESSAGE_MAGIC;
    uint32_t count = 0;  // stretches that follow
    // CLOCK_MONOTONIC nanoseconds at which the first stretch begins; 0 = when
    // the library picks the message up.
    int64_t startNs = 0;
    WireStretch stretches[MAX_STRETCHES];
};
static_assert(offsetof(BurstMessage, stretches) == 16);

// The message's size on the wire with `count` stretches.
inline constexpr std::size_t burstMessageSize(uint32_t count) {
    return offsetof(BurstMessage, stretches) + count * sizeof(WireStretch);
}

// The stretches of a message of `size` bytes; false for a message of another
// kind or size, or with a stretch no receiver could show.
inline bool readBurst(const BurstMessage& message, std::size_t size, std::vector<Stretch>& stretches) {
    if (size < burstMessageSize(0) || message.magic != BURST_MESSAGE_MAGIC || message.count == 0 ||
        message.count > MAX_STRETCHES || size != burstMessageSize(message.count))
        return false;
    stretches.clear();
    for (uint32_t i = 0; i < message.count; ++i) {
        const WireStretch& s = message.stretches[i];
        if (s.low > 1 || s.microseconds <= 0 || s.microseconds > MAX_STRETCH_US) return false;
        stretches.push_back({s.low == 1, s.microseconds});
    }
    return true;
}

// The stretches of any pulse train whose levels have `low` and `microseconds`.
template <class Train>
std::vector<Stretch> stretchesOf(const Train& train) {
    std::vector<Stretch> stretches;
    stretches.reserve(train.size());
    for (const auto& level : train) stretches.push_back({level.low, level.microseconds});
    return stretches;
}

// The socket's address; false for a path that no Unix socket can have.
inline bool socketAddress(const std::string& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace port::virtual_receiver
