#include "sound/wave_samples.h"

#include <array>
#include <cstring>

namespace rumblet {

namespace {

// Format tags of the format chunk.
constexpr uint16_t TAG_PCM = 0x0001;
constexpr uint16_t TAG_FLOAT = 0x0003;
constexpr uint16_t TAG_ALAW = 0x0006;
constexpr uint16_t TAG_MULAW = 0x0007;
constexpr uint16_t TAG_EXTENSIBLE = 0xFFFE;

// An extensible format chunk names its samples by a GUID after the plain
// fields and the extension's size, valid bits and channel mask.
constexpr size_t EXTENSIBLE_FORMAT_BYTES = 40;
constexpr size_t SUBFORMAT_AT = 24;

struct Guid {
    uint32_t first;
    uint16_t second;
    uint16_t third;
    std::array<unsigned char, 8> rest;
    bool operator==(const Guid&) const = default;
};
// The formats' own GUIDs share their tail; ambisonic B-format sounds carry
// plain samples under GUIDs of their own.
constexpr std::array<unsigned char, 8> STANDARD_TAIL{0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
constexpr std::array<unsigned char, 8> AMBISONIC_TAIL{0x86, 0x44, 0xc8, 0xc1, 0xca, 0x00, 0x00, 0x00};
constexpr Guid SUBTYPE_PCM{TAG_PCM, 0x0000, 0x0010, STANDARD_TAIL};
constexpr Guid SUBTYPE_FLOAT{TAG_FLOAT, 0x0000, 0x0010, STANDARD_TAIL};
constexpr Guid SUBTYPE_ALAW{TAG_ALAW, 0x0000, 0x0010, STANDARD_TAIL};
constexpr Guid SUBTYPE_MULAW{TAG_MULAW, 0x0000, 0x0010, STANDARD_TAIL};
constexpr Guid SUBTYPE_AMBISONIC_PCM{TAG_PCM, 0x0721, 0x11d3, AMBISONIC_TAIL};
constexpr Guid SUBTYPE_AMBISONIC_FLOAT{TAG_FLOAT, 0x0721, 0x11d3, AMBISONIC_TAIL};

enum class Coding { Unknown, Unsigned8, Integer, Float32, Float64, ALaw, MuLaw };

struct Encoding {
    Coding coding = Coding::Unknown;
    int32_t bytes = 0;  // per sample in the file; 0 for what is not played
};

class Reader {
public:
    Reader(const unsigned char* at, bool bigEndian) : at_(at), bigEndian_(bigEndian) {}
    uint16_t u16(size_t offset) const {
        const unsigned char* p = at_ + offset;
        return static_cast<uint16_t>(bigEndian_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    }
    uint32_t u32(size_t offset) const {
        const unsigned char* p = at_ + offset;
        return bigEndian_ ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                          : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
    }
    // Three bytes as the top of a 32-bit word: a 24-bit sample scaled like
    // a 32-bit one.
    uint32_t u24High(size_t offset) const {
        const unsigned char* p = at_ + offset;
        return bigEndian_ ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8)
                          : (uint32_t{p[2]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[0]} << 8);
    }
    uint64_t u64(size_t offset) const {
        const uint64_t first = u32(offset);
        const uint64_t second = u32(offset + 4);
        return bigEndian_ ? first << 32 | second : second << 32 | first;
    }

private:
    const unsigned char* at_;
    bool bigEndian_;
};

Encoding integerOfWidth(uint32_t bits) {
    switch ((bits + 7) / 8) {
        case 1: return {Coding::Unsigned8, 1};
        case 2: return {Coding::Integer, 2};
        case 3: return {Coding::Integer, 3};
        case 4: return {Coding::Integer, 4};
        default: return {};
    }
}

Encoding floatOfWidth(uint32_t bits) {
    switch ((bits + 7) / 8) {
        case 4: return {Coding::Float32, 4};
        case 8: return {Coding::Float64, 8};
        default: return {};
    }
}

// A plain 24-bit format with four bytes per sample in each block is
// ambiguous: an editor's broken float files, 24-bit samples in 32-bit
// containers, or a wrong block size. The wave's bytes from offset 600 on
// are looked at in 4096-byte pieces, and the first piece that three
// quarters of its words vote for decides. The votes are libsndfile's, word
// for word (three of them look at the piece's first word only), so the
// same file plays the same on every system.
Encoding guessedFromTheData(const std::vector<unsigned char>& wave) {
    constexpr size_t FIRST = 600;
    constexpr size_t PIECE = 4096;
    for (size_t at = FIRST; at + PIECE <= wave.size(); at += PIECE) {
        const unsigned char* piece = wave.data() + at;
        size_t floatVotes = 0;
        size_t paddedIntegerVotes = 0;
        for (size_t k = 0; k < PIECE; k += 4) {
            if (piece[k] == 0 && piece[k + 1] != 0) paddedIntegerVotes += 4;
            if (piece[2] != 0 && piece[3] == 0) paddedIntegerVotes += 4;
            if (piece[0] != 0 && piece[3] > 0x43 && piece[3] < 0x4B) floatVotes += 4;
        }
        if (floatVotes > 3 * PIECE / 4) return {Coding::Float32, 4};
        if (paddedIntegerVotes > 3 * PIECE / 4) return {Coding::Integer, 4};
    }
    return {Coding::Integer, 3};
}

Encoding encodingOf(const SoundChunks& chunks, const Reader& format, const std::string& name) {
    const uint16_t channels = format.u16(2);
    const uint16_t blockAlign = format.u16(12);
    const uint16_t bits = format.u16(14);
    switch (format.u16(0)) {
        case TAG_PCM:
            if (bits == 24 && channels > 0 && blockAlign == 4 * channels) return guessedFromTheData(chunks.wave);
            return integerOfWidth(bits);
        case TAG_FLOAT: return floatOfWidth(bits);
        case TAG_ALAW: return {Coding::ALaw, 1};
        case TAG_MULAW: return {Coding::MuLaw, 1};
        case TAG_EXTENSIBLE: {
            if (chunks.formatBytes < EXTENSIBLE_FORMAT_BYTES) refuseWave(name, "extensible format chunk too short");
            Guid subtype{format.u32(SUBFORMAT_AT), format.u16(SUBFORMAT_AT + 4), format.u16(SUBFORMAT_AT + 6), {}};
            std::memcpy(subtype.rest.data(), chunks.wave.data() + chunks.formatAt + SUBFORMAT_AT + 8, 8);
            if (subtype == SUBTYPE_PCM || subtype == SUBTYPE_AMBISONIC_PCM) return integerOfWidth(bits);
            if (subtype == SUBTYPE_FLOAT || subtype == SUBTYPE_AMBISONIC_FLOAT) return floatOfWidth(bits);
            if (subtype == SUBTYPE_ALAW) return {Coding::ALaw, 1};
            if (subtype == SUBTYPE_MULAW) return {Coding::MuLaw, 1};
            return {};
        }
        default: return {};
    }
}

// G.711: the 16-bit value of each A-law and mu-law byte.
constexpr int16_t alawValue(unsigned char code) {
    const int a = code ^ 0x55;
    const int segment = (a & 0x70) >> 4;
    int value = (a & 0x0F) << 4;
    if (segment == 0) {
        value += 8;
    } else {
        value = (value + 0x108) << (segment - 1);
    }
    return static_cast<int16_t>((a & 0x80) ? value : -value);
}

constexpr int16_t mulawValue(unsigned char code) {
    constexpr int BIAS = 0x84;
    const int u = ~code & 0xFF;
    const int value = (((u & 0x0F) << 3) + BIAS) << ((u & 0x70) >> 4);
    return static_cast<int16_t>((u & 0x80) ? BIAS - value : value - BIAS);
}

template <int16_t (*value)(unsigned char)>
constexpr std::array<float, 256> companderTable() {
    std::array<float, 256> table{};
    for (int code = 0; code < 256; ++code) table[size_t(code)] = value(static_cast<unsigned char>(code)) / 32768.0f;
    return table;
}

constexpr std::array<float, 256> ALAW_SAMPLES = companderTable<alawValue>();
constexpr std::array<float, 256> MULAW_SAMPLES = companderTable<mulawValue>();

// Integers scale by powers of two (exact in float): -1 is the most
// negative value; a 32-bit sample is first rounded to the nearest float.
constexpr float EIGHT_BIT_SCALE = 1.0f / 128.0f;
constexpr float SIXTEEN_BIT_SCALE = 1.0f / 32768.0f;
constexpr float THIRTY_TWO_BIT_SCALE = 1.0f / 2147483648.0f;

template <typename Sample>
void decodeEach(const unsigned char* data, size_t bytesPerSample, std::vector<float>& out, Sample sample) {
    for (size_t i = 0; i < out.size(); ++i) out[i] = sample(data + i * bytesPerSample);
}

// Every sample of the sound data into `out` (sized for them), one loop per
// coding.
void decodeAll(const unsigned char* data, const Encoding& encoding, bool bigEndian, std::vector<float>& out) {
    const auto in = [bigEndian](const unsigned char* p) { return Reader(p, bigEndian); };
    switch (encoding.coding) {
        case Coding::Unsigned8:
            return decodeEach(data, 1, out, [](const unsigned char* p) { return float(p[0] - 128) * EIGHT_BIT_SCALE; });
        case Coding::ALaw: return decodeEach(data, 1, out, [](const unsigned char* p) { return ALAW_SAMPLES[p[0]]; });
        case Coding::MuLaw: return decodeEach(data, 1, out, [](const unsigned char* p) { return MULAW_SAMPLES[p[0]]; });
        case Coding::Float32:
            return decodeEach(data, 4, out, [&](const unsigned char* p) {
                const uint32_t bits = in(p).u32(0);
                float value;
                std::memcpy(&value, &bits, sizeof value);
                return value;
            });
        case Coding::Float64:
            return decodeEach(data, 8, out, [&](const unsigned char* p) {
                const uint64_t bits = in(p).u64(0);
                double value;
                std::memcpy(&value, &bits, sizeof value);
                return static_cast<float>(value);
            });
        case Coding::Integer:
            if (encoding.bytes == 2)
                return decodeEach(data, 2, out, [&](const unsigned char* p) {
                    return static_cast<float>(static_cast<int16_t>(in(p).u16(0))) * SIXTEEN_BIT_SCALE;
                });
            if (encoding.bytes == 3)
                return decodeEach(data, 3, out, [&](const unsigned char* p) {
                    return static_cast<float>(static_cast<int32_t>(in(p).u24High(0))) * THIRTY_TWO_BIT_SCALE;
                });
            return decodeEach(data, 4, out, [&](const unsigned char* p) {
                return static_cast<float>(static_cast<int32_t>(in(p).u32(0))) * THIRTY_TWO_BIT_SCALE;
            });
        case Coding::Unknown: return;
    }
}

// Sound data that is really a compressed stream (WavPack, Ogg) in a wave
// container is refused. Its mark is compared as a number read in the
// wave's byte order, as libsndfile does: in a big-endian wave the bytes
// stand reversed ("kpvw").
constexpr uint32_t markOf(const char (&id)[5]) {
    return uint32_t(uint8_t(id[0])) | uint32_t(uint8_t(id[1])) << 8 | uint32_t(uint8_t(id[2])) << 16 |
           uint32_t(uint8_t(id[3])) << 24;
}

bool startsCompressedStream(uint32_t firstWord) { return firstWord == markOf("wvpk") || firstWord == markOf("OggS"); }

}  // namespace

WaveData decodeSamples(const SoundChunks& chunks, const std::string& name) {
    const Reader format(chunks.wave.data() + chunks.formatAt, chunks.bigEndian);
    const Encoding encoding = encodingOf(chunks, format, name);
    const int64_t channels = format.u16(2);
    const int64_t frames = channels > 0 && encoding.bytes > 0 ? int64_t(chunks.dataBytes / size_t(channels * encoding.bytes)) : 0;
    const unsigned char* data = chunks.wave.data() + chunks.dataAt;
    if (chunks.dataBytes >= 4 && startsCompressedStream(Reader(data, chunks.bigEndian).u32(0)))
        refuseWave(name, "compressed sound data");

    WaveData wave;
    wave.format = checkedWaveFormat(channels, format.u32(4), encoding.bytes, frames, name);
    wave.frames = frames;
    wave.samples.resize(static_cast<size_t>(frames * channels));
    decodeAll(data, encoding, chunks.bigEndian, wave.samples);
    silenceNonFinite(wave.samples);
    return wave;
}

}  // namespace rumblet
