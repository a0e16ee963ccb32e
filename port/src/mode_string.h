// The serial settings of a mode string, for systems whose serial driver has
// no parser of its own for it. Both forms of the system's mode syntax are
// read, as its own parser reads them:
//   COM1:9600,N,8,1[,x|p]          short form: baud, parity, data, stop and
//                                  the handshake letter
//   COM1: baud=9600 parity=N data=8 stop=1 to=off xon=off odsr=off
//         octs=off dtr=on|off|hs rts=on|off|hs|tg idsr=off
//                                  keyword form, any order, any subset
// Baud rates may be given by their two-digit abbreviations (96 for 9600,
// 19 for 19200) in both forms. A setting that is left out stays as the
// device had it, except that a short form sets the whole line control (see
// parseModeSettings).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace port {

enum class Parity { none, odd, even, mark, space };
enum class StopBits { one, onePointFive, two };
// How the driver drives DTR or RTS: held off, held on, as the input
// handshake line, or (RTS only) raised while sending.
enum class LineControl { off, on, handshake, toggle };

struct ModeSettings {
    std::optional<uint32_t> baud{};
    std::optional<Parity> parity{};
    std::optional<int> dataBits{};
    std::optional<StopBits> stopBits{};
    std::optional<bool> infiniteTimeout{};  // to=
    std::optional<bool> xonXoff{};          // xon=: XON/XOFF in both directions
    std::optional<bool> outputDsrFlow{};    // odsr=: output waits for DSR
    std::optional<bool> outputCtsFlow{};    // octs=: output waits for CTS
    std::optional<LineControl> dtr{};
    std::optional<LineControl> rts{};
    std::optional<bool> dsrSensitivity{};   // idsr=: input ignored while DSR is off

    friend bool operator==(const ModeSettings&, const ModeSettings&) = default;
};

// The settings after the first colon (the whole string when there is none);
// nothing when any part of them is not understood, so that a half-read
// string never changes half the settings.
//
// As the system's own parser does, a short form with settings also sets the
// line control: without a fifth field no flow control and DTR and RTS on;
// with "x" XON/XOFF and DTR and RTS on; with "p" CTS and DSR output flow and
// DTR and RTS as handshake lines. A baud rate of 110 without stop bits
// brings two stop bits.
std::optional<ModeSettings> parseModeSettings(std::string_view mode);

}  // namespace port
