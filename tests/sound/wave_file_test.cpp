// Wave files into memory: the byte geometry of each format, and files that
// are no usable wave files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "sound/testing/test_waves.h"
#include "sound/wave_file.h"
#include "tests/sound/wave_bytes.h"

namespace rumblet {
namespace {

using testing::SampleFormat;

TEST(WaveFile, KeepsTheGeometryOfTheFilesOwnFormat) {
    struct Case {
        SampleFormat format;
        int channels;
        int rate;
        int32_t bytesPerSample;
        double precision;
    };
    const Case cases[] = {
        {SampleFormat::Unsigned8, 1, 11025, 1, 1.0 / 64},  {SampleFormat::Unsigned8, 2, 8000, 1, 1.0 / 64},
        {SampleFormat::Pcm16, 1, 22050, 2, 1e-4},          {SampleFormat::Pcm16, 2, 44100, 2, 1e-4},
        {SampleFormat::Pcm24, 1, 48000, 3, 1e-6},          {SampleFormat::Pcm32, 2, 96000, 4, 1e-6},
        {SampleFormat::Float32, 2, 192000, 4, 1e-7},
    };
    testing::TempFolder folder;
    constexpr size_t frames = 1000;
    for (const Case& c : cases) {
        std::vector<float> samples;
        for (size_t i = 0; i < frames; ++i)
            for (int ch = 0; ch < c.channels; ++ch)
                samples.push_back(static_cast<float>(0.5 * std::sin(0.01 * i + ch)));
        const std::string path = folder.path() + "/tone.wav";
        testing::writeWaveFile(path, samples, c.channels, c.rate, c.format);

        const WaveData wave = loadWaveFile(path);
        const std::string what = std::to_string(c.channels) + " ch, " + std::to_string(c.bytesPerSample) + " bytes";
        EXPECT_EQ(wave.format.sampleRate, c.rate) << what;
        EXPECT_EQ(wave.format.channels, c.channels) << what;
        EXPECT_EQ(wave.format.blockAlign(), c.channels * c.bytesPerSample) << what;
        EXPECT_EQ(wave.frames, static_cast<int64_t>(frames)) << what;
        EXPECT_EQ(wave.dataBytes(), static_cast<int32_t>(frames) * c.channels * c.bytesPerSample) << what;
        ASSERT_EQ(wave.samples.size(), samples.size()) << what;
        for (size_t i = 0; i < samples.size(); i += 97)
            EXPECT_NEAR(wave.samples[i], samples[i], c.precision) << what << ", sample " << i;
    }
}

TEST(WaveFile, RefusesWhatIsNoUsableWaveFileNamingTheFile) {
    testing::TempFolder folder;
    for (const testing::NamedBytes& c : testing::refusedWaves()) {
        const std::string path = folder.write("bad.wav", c.bytes);
        try {
            loadWaveFile(path);
            ADD_FAILURE() << c.what << " was loaded";
        } catch (const SoundError& e) {
            EXPECT_EQ(e.code(), SOUND_ERROR_BAD_WAVE_FILE) << c.what;
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos)
                << c.what << ": the message names the file: " << e.what();
        }
        EXPECT_THROW(decodeWave(c.bytes.data(), c.bytes.size(), "bad.wav"), SoundError) << c.what;
    }
    EXPECT_THROW(loadWaveFile(folder.path() + "/missing.wav"), SoundError);

    const std::string compressed = folder.path() + "/adpcm.wav";
    testing::writeWaveFile(compressed, std::vector<float>(4000, 0.25f), 1, 11025, SampleFormat::ImaAdpcm);
    EXPECT_THROW(loadWaveFile(compressed), SoundError) << "compressed samples have no byte positions";
}

// Paths are UTF-8 on every system; on Windows a name beyond the ANSI code
// page must still be found.
TEST(WaveFile, OpensAFileNamedInUtf8) {
    testing::TempFolder folder;
    const std::string name = "Motor-gro\xC3\x9F \xE2\x82\xAC \xCE\xA9.wav";  // Motor-groß € Ω
    testing::writeWaveFile(folder.path() + "/" + name, testing::sineWave(440, 100, 8000, 0.5), 1, 8000);
    const std::u8string onDisk = std::filesystem::directory_iterator(folder.path())->path().filename().u8string();
    EXPECT_EQ(std::string(onDisk.begin(), onDisk.end()), name) << "the file has the name as written";
    EXPECT_EQ(loadWaveFile(folder.path() + "/" + name).frames, 100);
}

TEST(WaveFile, SoundDataCutShortGivesWhatIsThere) {
    const std::string bytes = testing::pcmWave(1, 11025, 16, 0x7ffffff0u, 300);
    const WaveData wave = decodeWave(bytes.data(), bytes.size(), "big.wav");
    EXPECT_GT(wave.frames, 0);
    EXPECT_LE(wave.dataBytes(), 300);
}

TEST(WaveFile, ChunksBesideTheSoundAreSkipped) {
    const std::string bytes = testing::pcmWave(2, 22050, 16, 400, 400, "LIST" + testing::le32(5) + "INFOx" + std::string(1, '\0'));
    const WaveData wave = decodeWave(bytes.data(), bytes.size(), "list.wav");
    EXPECT_EQ(wave.dataBytes(), 400) << "an odd chunk is padded to an even size";
}

TEST(WaveFile, FloatSamplesThatAreNoNumbersBecomeSilence) {
    testing::TempFolder folder;
    const std::string path = folder.path() + "/nan.wav";
    testing::writeWaveFile(path, {0.5f, NAN, INFINITY, -0.5f}, 1, 8000, SampleFormat::Float32);
    const WaveData wave = loadWaveFile(path);
    ASSERT_EQ(wave.samples.size(), 4u);
    EXPECT_EQ(wave.samples[1], 0.0f);
    EXPECT_EQ(wave.samples[2], 0.0f);
    EXPECT_EQ(wave.samples[3], -0.5f);
}

}  // namespace
}  // namespace rumblet
