// The virtual IR receiver's message: one burst of line levels (an IR frame
// as the receiver's DCD output shows it). A remote-control program sends it
// as one datagram to the socket that the port library listens on while a COM
// port mapped to the virtual receiver is open; the library replays the
// levels on DCD. The library knows nothing of what the levels mean.
//
// Where a burst begins:
//   - On a Unix socket ("virtual:<socket path>", Linux) the sender runs on
//     the same machine and the same clock as the library: `startNs` is the
//     moment on CLOCK_MONOTONIC (the counter TIMEREADUS reads there) at which
//     the first stretch begins, 0 for "when the library takes it".
//   - Over UDP ("virtual:udp:<address>:<port>", every system) the sender may
//     run on another system and shares no clock with the library: a burst
//     begins when the library takes it from the socket, whatever `startNs`
//     says. Senders write 0 there.
// In either case a burst never begins before the line has shown the ones
// before it and a short quiet stretch after them (virtual_receiver_line.h).
//
// All fields are little-endian, the byte order of every machine the library
// runs on. Bad messages (short, of another kind, with absurd counts or
// stretches no receiver could show) are dropped and counted.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace port::virtual_receiver {

static_assert(std::endian::native == std::endian::little, "the burst message is read in place");

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
    int64_t startNs = 0;  // see above: Unix socket only, 0 = when taken
    WireStretch stretches[MAX_STRETCHES];
};
static_assert(offsetof(BurstMessage, stretches) == 16);
static_assert(sizeof(BurstMessage) == 16 + 8 * MAX_STRETCHES, "the same layout for 32- and 64-bit code");

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

// The message carrying `stretches` (at most MAX_STRETCHES), to begin at `startNs`.
inline BurstMessage burstMessage(const std::vector<Stretch>& stretches, int64_t startNs) {
    BurstMessage message;
    message.count = uint32_t(stretches.size());
    message.startNs = startNs;
    for (uint32_t i = 0; i < message.count && i < MAX_STRETCHES; ++i)
        message.stretches[i] = {stretches[i].low ? 1u : 0u, stretches[i].microseconds};
    return message;
}

// The stretches of any pulse train whose levels have `low` and `microseconds`.
template <class Train>
std::vector<Stretch> stretchesOf(const Train& train) {
    std::vector<Stretch> stretches;
    stretches.reserve(train.size());
    for (const auto& level : train) stretches.push_back({level.low, level.microseconds});
    return stretches;
}

}  // namespace port::virtual_receiver
