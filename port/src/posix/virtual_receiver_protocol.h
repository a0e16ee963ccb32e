// The virtual IR receiver's message: one IR frame and the moment its header
// begins. A remote-control program sends it as one datagram to the Unix
// socket that the port library listens on while a COM port mapped to
// "virtual:<socket path>" is open; the library draws the frame on DCD.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace port::virtual_receiver {

inline constexpr int FRAME_BITS = 18;
inline constexpr uint32_t FRAME_VALUE_MASK = (1u << FRAME_BITS) - 1;
inline constexpr uint32_t FRAME_MESSAGE_MAGIC = 0x31465249;  // "IRF1"

struct FrameMessage {
    uint32_t magic = FRAME_MESSAGE_MAGIC;
    // Bit i is the frame's bit i, bit 0 the first on the line.
    uint32_t frame = 0;
    // CLOCK_MONOTONIC nanoseconds at which the header pulse begins; 0 = when
    // the library picks the message up.
    int64_t startNs = 0;
};
static_assert(sizeof(FrameMessage) == 16);

// A frame as an array of bits (each 0 or 1, bit 0 first) and as its value.
inline uint32_t packFrame(const std::array<int16_t, FRAME_BITS>& bits) {
    uint32_t value = 0;
    for (int i = 0; i < FRAME_BITS; ++i)
        if (bits[i] != 0) value |= 1u << i;
    return value;
}

// The socket's address; false for a path that no Unix socket can have.
inline bool socketAddress(const std::string& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

inline std::array<int16_t, FRAME_BITS> unpackFrame(uint32_t value) {
    std::array<int16_t, FRAME_BITS> bits{};
    for (int i = 0; i < FRAME_BITS; ++i) bits[i] = static_cast<int16_t>((value >> i) & 1u);
    return bits;
}

}  // namespace port::virtual_receiver
