// The sound card over real ALSA devices (file plugins over the null device):
// the bytes each transfer moves and the error box of a refused format.
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "alsa_test_devices.h"
#include "fake_wave_system.h"
#include "posix/wave_alsa.h"
#include "wave_card.h"

namespace port {
namespace {

using testing::AlsaTestDevices;
using testing::RecordingBoxes;
using testing::ShownBox;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Bytes = std::vector<unsigned char>;

Bytes pattern(std::size_t size, int seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<unsigned char>(i * 37 + seed);
    return b;
}

struct Card {
    explicit Card(const std::string& device) : system(device) {}
    AlsaWaveSystem system;
    RecordingBoxes boxes;
    SoundCard card{system, boxes};
};

struct PlaybackCase {
    WaveChannels channels;
    int32_t width;
    int32_t count;
    std::size_t played;  // bytes of the caller's buffer that reach the device
    std::size_t silence;  // bytes of silence completing a half frame
};

TEST(AlsaSoundCard, PlaybackHandsTheDeviceExactlyTheTransferLengthOfTheCallersBytes) {
    auto& devices = AlsaTestDevices::install();
    const auto mono = WaveChannels::mono;
    const auto stereo = WaveChannels::stereo;
    const PlaybackCase cases[] = {
        {mono, 1, 1, 0, 0},   {mono, 1, 9, 8, 0},   {mono, 2, 9, 16, 0},
        {stereo, 1, 9, 8, 0}, {stereo, 2, 9, 16, 0}, {stereo, 1, 8, 7, 1}, {stereo, 2, 8, 14, 2},
    };
    for (const auto& c : cases) {
        const std::string label = std::to_string(static_cast<int>(c.channels)) + " channels, width " +
                                  std::to_string(c.width) + ", count " + std::to_string(c.count);
        ::unlink(devices.path("played.raw").c_str());
        Card card("played");
        card.card.setWidth(c.width);
        Bytes buffer = pattern(static_cast<std::size_t>(c.count * c.width), c.count);
        card.card.transfer(WaveDirection::playback, c.channels, buffer.data(), c.count);

        Bytes expected(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(c.played));
        expected.insert(expected.end(), c.silence, c.width == 1 ? 0x80 : 0x00);
        EXPECT_EQ(devices.read("played.raw"), expected) << label;
        EXPECT_THAT(card.boxes.shown, IsEmpty()) << label;
        EXPECT_EQ(card.card.busy(), 0) << label;
    }
}

TEST(AlsaSoundCard, CountsWithoutSamplesNeverOpenTheDevice) {
    auto& devices = AlsaTestDevices::install();
    ::unlink(devices.path("played.raw").c_str());
    Card card("played");
    Bytes buffer = pattern(8, 1);
    card.card.transfer(WaveDirection::playback, WaveChannels::mono, buffer.data(), 0);
    card.card.transfer(WaveDirection::playback, WaveChannels::mono, buffer.data(), -3);
    card.card.transfer(WaveDirection::playback, WaveChannels::stereo, buffer.data(), 0);
    EXPECT_FALSE(devices.exists("played.raw"));
}

struct CaptureCase {
    WaveChannels channels;
    int32_t width;
    int32_t count;
    std::size_t filled;
};

TEST(AlsaSoundCard, CaptureFillsTheTransferLengthAndNotAByteMore) {
    auto& devices = AlsaTestDevices::install();
    const Bytes sound = pattern(256, 5);
    devices.write("recorded.raw", sound);
    const CaptureCase cases[] = {
        {WaveChannels::mono, 1, 9, 8},    {WaveChannels::mono, 2, 9, 16},
        {WaveChannels::stereo, 1, 5, 5},  {WaveChannels::stereo, 2, 4, 8},
        {WaveChannels::stereo, 2, 5, 10},
    };
    for (const auto& c : cases) {
        Card card("recorded");
        card.card.setWidth(c.width);
        Bytes buffer(64, 0xEE);
        card.card.transfer(WaveDirection::capture, c.channels, buffer.data(), c.count);
        Bytes expected(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(c.filled));
        expected.resize(64, 0xEE);
        EXPECT_EQ(buffer, expected) << "width " << c.width << ", count " << c.count;
        EXPECT_THAT(card.boxes.shown, IsEmpty());
    }
}

TEST(AlsaSoundCard, ARateTheDeviceRefusesShowsTheErrorBox) {
    AlsaTestDevices::install();
    Card card("played");
    card.card.setRate(0);
    Bytes buffer = pattern(8, 1);
    card.card.transfer(WaveDirection::playback, WaveChannels::mono, buffer.data(), 8);
    ASSERT_EQ(card.boxes.shown.size(), 1u);
    EXPECT_EQ(card.boxes.shown[0].caption, "Rivir32");
    EXPECT_EQ(card.boxes.shown[0].text, snd_strerror(-static_cast<int>(card.card.lastError())));
    EXPECT_NE(card.card.lastError(), 0u);
    EXPECT_EQ(card.card.busy(), 0);
}

}  // namespace
}  // namespace port

int main(int argc, char** argv) {
    port::testing::AlsaTestDevices::install();  // before the first ALSA call
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
