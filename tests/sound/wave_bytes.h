// Wave files as bytes, built field by field for the loader's tests: the
// formats a sound folder may hold, and files that are no usable wave.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rumblet::testing {

inline std::string le16(uint16_t v) { return std::string{char(v), char(v >> 8)}; }
inline std::string le32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
inline std::string be16(uint16_t v) { return std::string{char(v >> 8), char(v)}; }
inline std::string be32(uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

enum class Order { Little, Big };  // RIFF or RIFX

inline std::string u16(uint16_t v, Order o = Order::Little) { return o == Order::Big ? be16(v) : le16(v); }
inline std::string u32(uint32_t v, Order o = Order::Little) { return o == Order::Big ? be32(v) : le32(v); }

// Format tags.
inline constexpr uint16_t PCM = 1, FLOAT = 3, ALAW = 6, MULAW = 7, IMA_ADPCM = 0x11, EXTENSIBLE = 0xFFFE;

// The content of a plain format chunk.
inline std::string formatChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits,
                               Order o = Order::Little) {
    return u16(tag, o) + u16(channels, o) + u32(rate, o) + u32(rate * blockAlign, o) + u16(blockAlign, o) +
           u16(bits, o);
}

// An extensible format chunk whose GUID names `subtype` (a format tag).
inline std::string extensibleChunk(uint16_t subtype, uint16_t channels, uint32_t rate, uint16_t blockAlign,
                                   uint16_t bits, uint16_t validBits, Order o = Order::Little) {
    return formatChunk(EXTENSIBLE, channels, rate, blockAlign, bits, o) + u16(22, o) + u16(validBits, o) +
           u32(channels == 1 ? 0x4 : 0x3, o) + u32(subtype, o) + u16(0x0000, o) + u16(0x0010, o) +
           std::string("\x80\x00\x00\xaa\x00\x38\x9b\x71", 8);
}

inline std::string chunk(const std::string& id, const std::string& body, Order o = Order::Little) {
    return id + u32(static_cast<uint32_t>(body.size()), o) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

// A whole wave: the format chunk, `between` (other chunks as bytes), then
// the data chunk holding `data` and announcing `announced` bytes (the
// size of `data` when 0).
inline std::string waveOf(const std::string& format, const std::string& data, Order o = Order::Little,
                          const std::string& between = "", uint32_t announced = 0) {
    const std::string body = "WAVE" + chunk("fmt ", format, o) + between + "data" +
                             u32(announced ? announced : static_cast<uint32_t>(data.size()), o) + data;
    return (o == Order::Big ? "RIFX" : "RIFF") + u32(static_cast<uint32_t>(body.size()), o) + body;
}

// Integer PCM: a data chunk of `announced` bytes followed by `actual`
// bytes of 0x10.
inline std::string pcmWave(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t announced, size_t actual,
                           const std::string& between = "") {
    const auto align = static_cast<uint16_t>(channels * bits / 8);
    const std::string format = formatChunk(PCM, channels, rate, align, bits);
    const std::string body = "WAVE" + chunk("fmt ", format) + between + "data" + u32(announced) +
                             std::string(actual, '\x10');
    return "RIFF" + u32(static_cast<uint32_t>(body.size())) + body;
}

struct NamedBytes {
    std::string what;
    std::string bytes;
};

// Files a user may have put in the sound folder that are no usable wave.
inline std::vector<NamedBytes> refusedWaves() {
    const std::string valid = pcmWave(1, 11025, 16, 200, 200);
    return {
        {"an empty file", ""},
        {"text", "panzer1.wav is not here\r\n"},
        {"a cut header", valid.substr(0, 20)},
        {"no sound data", pcmWave(1, 11025, 16, 0, 0)},
        {"three channels", pcmWave(3, 11025, 16, 600, 600)},
        {"no channels", pcmWave(0, 11025, 16, 0, 100)},
        {"a rate of 10 Hz", pcmWave(1, 10, 16, 200, 200)},
        {"a rate of 4 MHz", pcmWave(1, 4000000, 16, 200, 200)},
        {"a chunk longer than the file", pcmWave(1, 11025, 16, 200, 200, "LIST" + le32(0xffffff04u) + std::string(90, '\xff'))},
        {"a damaged list and no format",
         std::string("RIFFd\0\0\0WAVELIST\x10\0\0\0A\0\0\0\xf8\xff\xff\xff\0!\x01\0\0\0\0\0dataLIST\x80", 45)},
        {"an AIFF file", std::string("FORM\0\0\0\x26" "AIFFCOMM", 16) + std::string(30, '\0')},
        {"IMA ADPCM", waveOf(formatChunk(IMA_ADPCM, 1, 11025, 256, 4) + le16(2) + le16(505), std::string(512, '\x11'))},
        {"a format chunk of 14 bytes", waveOf(formatChunk(PCM, 1, 11025, 2, 16).substr(0, 14), std::string(100, '\1'))},
        {"an extensible chunk cut to 18 bytes",
         waveOf(extensibleChunk(PCM, 1, 11025, 2, 16, 16).substr(0, 18), std::string(100, '\1'))},
        {"64-bit integers", waveOf(formatChunk(PCM, 1, 11025, 8, 64), std::string(800, '\1'))},
        {"no bits per sample", waveOf(formatChunk(PCM, 1, 11025, 2, 0), std::string(100, '\1'))},
        {"a compressed stream in the data", waveOf(formatChunk(PCM, 1, 11025, 2, 16), "OggS" + std::string(96, '\1'))},
        {"no data chunk", "RIFF" + le32(28) + "WAVE" + chunk("fmt ", formatChunk(PCM, 1, 11025, 2, 16))},
    };
}

}  // namespace rumblet::testing
