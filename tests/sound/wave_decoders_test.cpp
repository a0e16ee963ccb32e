// Our own sample decoder (Windows has no libsndfile) against libsndfile,
// the decoder of the Linux program: every wave a sound folder may hold gives
// the same format and bit for bit the same samples, and what one refuses
// the other refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "sound/sndfile_samples.h"
#include "sound/sound_device.h"
#include "sound/testing/test_waves.h"
#include "sound/wave_samples.h"
#include "tests/sound/wave_bytes.h"

namespace rumblet {
namespace {

using testing::NamedBytes;
using testing::Order;

// "equal", or what differs.
std::string difference(const std::string& bytes) {
    std::string refusedBy;
    WaveData ours, theirs;
    try {
        ours = decodeWaveWith(decodeSamples, bytes.data(), bytes.size(), "x.wav");
    } catch (const SoundError&) {
        refusedBy += "ours ";
    }
    try {
        theirs = decodeWaveWith(decodeSamplesWithSndfile, bytes.data(), bytes.size(), "x.wav");
    } catch (const SoundError&) {
        refusedBy += "libsndfile";
    }
    if (refusedBy == "ours libsndfile") return "equal";
    if (!refusedBy.empty()) return "refused only by " + refusedBy;
    if (ours.format.sampleRate != theirs.format.sampleRate || ours.format.channels != theirs.format.channels ||
        ours.format.bytesPerSample != theirs.format.bytesPerSample || ours.frames != theirs.frames)
        return "format or length: ours " + std::to_string(ours.format.bytesPerSample) + " bytes, " +
               std::to_string(ours.frames) + " frames; libsndfile " + std::to_string(theirs.format.bytesPerSample) +
               " bytes, " + std::to_string(theirs.frames) + " frames";
    for (size_t i = 0; i < ours.samples.size(); ++i) {
        if (std::memcmp(&ours.samples[i], &theirs.samples[i], sizeof(float)) != 0)
            return "sample " + std::to_string(i) + ": ours " + std::to_string(ours.samples[i]) + ", libsndfile " +
                   std::to_string(theirs.samples[i]);
    }
    return "equal";
}

std::string everyByte() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += char(b);
    return bytes;
}

// Words of each width at the edges of their range and between.
std::string integerWords(int bytes, Order o) {
    const uint32_t words[] = {0, 1, 0x7f, 0x80, 0xff, 0x7fff, 0x8000, 0xffff, 0x7fffff, 0x800000, 0xffffff,
                              0x1000001, 0x7fffffbf, 0x7fffffff, 0x80000000, 0xffffffff, 0x12345678, 0xfedcba98};
    std::string out;
    for (uint32_t w : words) {
        const std::string le = testing::le32(w);
        const std::string word = o == Order::Big ? std::string(le.rbegin(), le.rend()).substr(4 - bytes)
                                                 : le.substr(0, size_t(bytes));
        out += word;
    }
    return out;
}

std::string floatWords(Order o) {
    const float values[] = {0.0f, -0.0f, 0.5f, -1.0f, 1.5f, 1e-42f, 3.4e38f, NAN, INFINITY, -INFINITY};
    std::string out;
    for (float v : values) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        out += testing::u32(bits, o);
    }
    return out;
}

std::string doubleWords(Order o) {
    const double values[] = {0.0, 0.25, -1.0, 1.0 / 3.0, 1e-40, 1e-50, 1e300, -1e300, NAN, 0.1};
    std::string out;
    for (double v : values) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        const std::string high = testing::u32(uint32_t(bits >> 32), o), low = testing::u32(uint32_t(bits), o);
        out += o == Order::Big ? high + low : low + high;
    }
    return out;
}

// A sound of `words` repeated to beyond the offset where the decoder
// looks at the data of an ambiguous 24-bit format.
std::string repeated(const std::string& words, size_t bytes) {
    std::string out;
    while (out.size() < bytes) out += words;
    return out.substr(0, bytes);
}

std::vector<NamedBytes> formatCases() {
    std::vector<NamedBytes> cases;
    for (Order o : {Order::Little, Order::Big}) {
        const std::string riff = o == Order::Big ? "RIFX " : "RIFF ";
        auto add = [&](const std::string& what, const std::string& format, const std::string& data) {
            cases.push_back({riff + what, testing::waveOf(format, data, o)});
        };
        for (uint16_t channels : {1, 2}) {
            const std::string ch = channels == 1 ? " mono" : " stereo";
            add("8-bit" + ch, testing::formatChunk(testing::PCM, channels, 11025, channels, 8, o), everyByte());
            add("A-law" + ch, testing::formatChunk(testing::ALAW, channels, 8000, channels, 8, o), everyByte());
            add("mu-law" + ch, testing::formatChunk(testing::MULAW, channels, 8000, channels, 8, o), everyByte());
            for (int bytes : {2, 3, 4}) {
                const auto align = static_cast<uint16_t>(channels * bytes);
                add(std::to_string(8 * bytes) + "-bit" + ch,
                    testing::formatChunk(testing::PCM, channels, 22050, align, uint16_t(8 * bytes), o),
                    integerWords(bytes, o));
                add("extensible " + std::to_string(8 * bytes) + "-bit" + ch,
                    testing::extensibleChunk(testing::PCM, channels, 48000, align, uint16_t(8 * bytes), uint16_t(8 * bytes), o),
                    integerWords(bytes, o));
            }
            add("float" + ch, testing::formatChunk(testing::FLOAT, channels, 44100, uint16_t(4 * channels), 32, o),
                floatWords(o));
            add("double" + ch, testing::formatChunk(testing::FLOAT, channels, 44100, uint16_t(8 * channels), 64, o),
                doubleWords(o));
            add("extensible float" + ch,
                testing::extensibleChunk(testing::FLOAT, channels, 44100, uint16_t(4 * channels), 32, 32, o), floatWords(o));
            add("extensible double" + ch,
                testing::extensibleChunk(testing::FLOAT, channels, 44100, uint16_t(8 * channels), 64, 64, o), doubleWords(o));
            add("extensible A-law" + ch, testing::extensibleChunk(testing::ALAW, channels, 8000, channels, 8, 8, o), everyByte());
            add("extensible mu-law" + ch, testing::extensibleChunk(testing::MULAW, channels, 8000, channels, 8, 8, o),
                everyByte());
            add("extensible MS ADPCM" + ch, testing::extensibleChunk(2, channels, 8000, channels, 4, 4, o), everyByte());
            // 24-bit samples in blocks of four bytes each: told apart by the data.
            const auto wide = static_cast<uint16_t>(4 * channels);
            add("24 bits in 4 bytes holding floats" + ch, testing::formatChunk(testing::PCM, channels, 22050, wide, 24, o),
                repeated(testing::u32(0x3e99999a, Order::Little), 9000));
            add("24 bits in 4 bytes holding padded integers" + ch,
                testing::formatChunk(testing::PCM, channels, 22050, wide, 24, o), repeated(std::string("\0\x12\x34\0", 4), 9000));
            add("24 bits in 4 bytes undecided" + ch, testing::formatChunk(testing::PCM, channels, 22050, wide, 24, o),
                repeated(integerWords(4, o), 9000));
            add("24 bits in 4 bytes, short" + ch, testing::formatChunk(testing::PCM, channels, 22050, wide, 24, o),
                repeated(testing::u32(0x3e99999a, Order::Little), 2000));
        }
        add("data beginning like a compressed stream", testing::formatChunk(testing::PCM, 1, 22050, 2, 16, o),
            "wvpk" + integerWords(2, o));
        add("12 bits in 16", testing::formatChunk(testing::PCM, 1, 22050, 2, 12, o), integerWords(2, o));
        add("20 bits in 24", testing::formatChunk(testing::PCM, 2, 22050, 6, 20, o), integerWords(3, o));
        add("4 bits", testing::formatChunk(testing::PCM, 1, 22050, 1, 4, o), everyByte());
        add("float of 16 bits", testing::formatChunk(testing::FLOAT, 1, 22050, 2, 16, o), floatWords(o));
        add("float of 0 bits", testing::formatChunk(testing::FLOAT, 1, 22050, 0, 0, o), floatWords(o));
        add("odd data size", testing::formatChunk(testing::PCM, 1, 22050, 1, 8, o), everyByte().substr(0, 77));
        add("a partial frame", testing::formatChunk(testing::PCM, 2, 22050, 4, 16, o), integerWords(2, o).substr(0, 33));
        add("no block size", testing::formatChunk(testing::PCM, 2, 22050, 0, 16, o), integerWords(2, o));
        add("a wrong block size", testing::formatChunk(testing::PCM, 2, 22050, 7, 16, o), integerWords(2, o));
        add("a format chunk of 18 bytes", testing::formatChunk(testing::PCM, 1, 22050, 2, 16, o) + testing::u16(0, o),
            integerWords(2, o));
        add("a format chunk of 17 bytes", testing::formatChunk(testing::PCM, 1, 22050, 2, 16, o) + "x", integerWords(2, o));
    }
    return cases;
}

TEST(WaveDecoders, OursAndLibsndfileGiveTheSameSamples) {
    for (const NamedBytes& c : formatCases()) EXPECT_EQ(difference(c.bytes), "equal") << c.what;
    for (const NamedBytes& c : testing::refusedWaves()) EXPECT_EQ(difference(c.bytes), "equal") << c.what;
    const std::string format = testing::formatChunk(testing::PCM, 1, 11025, 2, 16);
    const NamedBytes layouts[] = {
        {"sound data cut short", testing::waveOf(format, integerWords(2, Order::Little), Order::Little, "", 100000)},
        {"chunks before the sound", testing::waveOf(format, integerWords(2, Order::Little), Order::Little,
                                                    testing::chunk("fact", testing::le32(18)) + testing::chunk("LIST", "INFOx"))},
        {"data before the format",
         "RIFF" + testing::le32(100) + "WAVE" + testing::chunk("data", integerWords(2, Order::Little)) +
             testing::chunk("fmt ", format)},
        {"two data chunks", testing::waveOf(format, "") + testing::chunk("data", std::string(10, '\7'))},
    };
    for (const NamedBytes& c : layouts) EXPECT_EQ(difference(c.bytes), "equal") << c.what;
}

TEST(WaveDecoders, TheTestWavesDecodeAlike) {
    testing::TempFolder folder;
    using testing::SampleFormat;
    const std::vector<float> tone = testing::sineWave(440, 500, 22050, 0.9);
    for (SampleFormat format : {SampleFormat::Unsigned8, SampleFormat::Pcm16, SampleFormat::Pcm24, SampleFormat::Pcm32,
                                SampleFormat::Float32, SampleFormat::ImaAdpcm}) {
        for (int channels : {1, 2}) {
            std::vector<float> samples;
            for (float v : tone)
                for (int c = 0; c < channels; ++c) samples.push_back(c ? -v : v);
            samples.push_back(1.0f);
            samples.push_back(-1.0f);
            const std::string path = folder.path() + "/tone.wav";
            testing::writeWaveFile(path, samples, channels, 22050, format);
            const std::string bytes = folder.read("tone.wav");
            EXPECT_EQ(difference(bytes), "equal") << "format " << int(format) << ", " << channels << " channels";
        }
    }
}

}  // namespace
}  // namespace rumblet
