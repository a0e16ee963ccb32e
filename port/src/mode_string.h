// The serial settings of a mode string, for systems whose serial driver has
// no parser of its own for it. Both forms of the mode syntax are read:
//   COM1:9600,N,8,1                          (baud, parity, data, stop)
//   COM1: baud=9600 parity=N data=8 stop=1   (keywords, any order)
// A setting that is left out stays as the device had it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace port {

enum class Parity { none, odd, even, mark, space };
enum class StopBits { one, onePointFive, two };

struct ModeSettings {
    std::optional<uint32_t> baud;
    std::optional<Parity> parity;
    std::optional<int> dataBits;
    std::optional<StopBits> stopBits;

    friend bool operator==(const ModeSettings&, const ModeSettings&) = default;
};

// The settings after the first colon (the whole string when there is none);
// nothing when any part of them is not understood, so that a half-read
// string never changes half the settings.
std::optional<ModeSettings> parseModeSettings(std::string_view mode);

}  // namespace port
