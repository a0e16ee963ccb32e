// The sound card's transfers and boxes, driven through a fake wave system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fake_wave_system.h"
#include "fault_of.h"
#include "wave_card.h"

namespace port {
namespace {

using testing::faultOf;

using testing::FakeWaveSystem;
using testing::RecordingBoxes;
using testing::ShownBox;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto in = WaveDirection::capture;
constexpr auto out = WaveDirection::playback;
constexpr auto mono = WaveChannels::mono;
constexpr auto stereo = WaveChannels::stereo;

struct SoundCardTest : ::testing::Test {
    FakeWaveSystem system;
    RecordingBoxes boxes;
    SoundCard card{system, boxes};
    unsigned char buffer[64] = {};
};

struct LengthCase {
    const char* name;
    WaveDirection direction;
    WaveChannels channels;
    int32_t width;
    int32_t count;
    uint32_t length;
};

TEST_F(SoundCardTest, TransfersMoveOneSampleFewerThanTheCountExceptStereoCapture) {
    const LengthCase cases[] = {
        {"SOUNDOUT 8-bit", out, mono, 1, 10, 9},   {"SOUNDOUT 16-bit", out, mono, 2, 10, 18},
        {"SOUNDOUT count 1", out, mono, 2, 1, 0},  {"SSOUNDOUT 8-bit", out, stereo, 1, 10, 9},
        {"SSOUNDOUT 16-bit", out, stereo, 2, 10, 18}, {"SOUNDIN 8-bit", in, mono, 1, 10, 9},
        {"SOUNDIN 16-bit", in, mono, 2, 10, 18},   {"SSOUNDIN 8-bit", in, stereo, 1, 10, 10},
        {"SSOUNDIN 16-bit", in, stereo, 2, 10, 20},
    };
    for (const auto& c : cases) {
        FakeWaveSystem sys;
        RecordingBoxes shown;
        SoundCard fresh(sys, shown);
        fresh.setWidth(c.width);
        fresh.transfer(c.direction, c.channels, buffer, c.count);
        EXPECT_EQ(sys.prepared.length, c.length) << c.name;
        EXPECT_EQ(sys.prepared.data, buffer) << c.name;
        EXPECT_EQ(sys.prepared.flags, 0u) << c.name;
        // The lock covers count bytes whatever the width.
        EXPECT_EQ(sys.calls[2], "lock " + std::to_string(c.count)) << c.name;
    }
}

TEST_F(SoundCardTest, CountsWithoutSamplesReturnBeforeTouchingTheDevice) {
    card.transfer(out, mono, buffer, 0);
    card.transfer(out, mono, buffer, -5);
    card.transfer(in, mono, buffer, 0);
    card.transfer(out, stereo, buffer, 0);
    card.transfer(in, stereo, buffer, 0);
    EXPECT_THAT(system.calls, IsEmpty());
    EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(SoundCardTest, StereoCountOf2Pow31OrMoreIsARangeErrorWithoutTouchingTheDevice) {
    EXPECT_EQ(faultOf([&] { card.transfer(out, stereo, buffer, -1); }), Fault::range);
    EXPECT_EQ(faultOf([&] { card.transfer(in, stereo, buffer, INT32_MIN); }), Fault::range);
    EXPECT_THAT(system.calls, IsEmpty());
    EXPECT_EQ(card.busy(), 0);
}

struct FormatCase {
    WaveChannels channels;
    int32_t width;
    int32_t rate;
    uint16_t blockAlign;
    uint32_t perSecond;
};

TEST_F(SoundCardTest, FormatRecordFollowsRateWidthAndChannels) {
    const FormatCase cases[] = {
        {mono, 1, 11025, 1, 11025},
        {stereo, 1, 22050, 2, 44100},
        {mono, 2, 44100, 2, 88200},
        {stereo, 2, 8000, 4, 32000},
    };
    for (const auto& c : cases) {
        card.setRate(c.rate);
        card.setWidth(c.width);
        card.transfer(out, c.channels, buffer, 4);
        const WaveFormat& f = system.queried;
        EXPECT_EQ(f.formatTag, 1);
        EXPECT_EQ(f.channels, static_cast<uint16_t>(c.channels));
        EXPECT_EQ(f.samplesPerSecond, static_cast<uint32_t>(c.rate));
        EXPECT_EQ(f.averageBytesPerSecond, c.perSecond);
        EXPECT_EQ(f.blockAlign, c.blockAlign);
        EXPECT_EQ(f.bitsPerSample, c.width * 8);
        EXPECT_EQ(f.extraSize, 18);
        EXPECT_EQ(system.opened.averageBytesPerSecond, c.perSecond) << "open uses the queried record";
    }
}

TEST_F(SoundCardTest, RatesThatDoNotFitTheFormatRecordStopTheTransferBeforeTheDevice) {
    card.setRate(-8000);
    EXPECT_EQ(faultOf([&] { card.transfer(out, mono, buffer, 4); }), Fault::range);
    SoundCard fast(system, boxes);
    fast.setRate(INT32_MAX / 2);
    fast.setWidth(2);
    EXPECT_EQ(faultOf([&] { fast.transfer(out, stereo, buffer, 4); }), Fault::overflow);
    EXPECT_THAT(system.calls, IsEmpty());
}

TEST_F(SoundCardTest, CaptureRunsQueryOpenPrepareAddStartThenTheInputCloseSequence) {
    card.transfer(in, mono, buffer, 8);
    EXPECT_THAT(system.calls,
                ElementsAre("query in", "open in", "lock 8", "prepare in", "add in", "start in", "unlock 8",
                            "stop in", "unprepare in", "reset in", "close in"));
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_EQ(card.busy(), 0);
}

TEST_F(SoundCardTest, PlaybackRunsQueryOpenPrepareWriteThenTheOutputCloseSequence) {
    card.transfer(out, stereo, buffer, 8);
    EXPECT_THAT(system.calls, ElementsAre("query out", "open out", "lock 8", "prepare out", "write out",
                                          "unlock 8", "unprepare out", "close out"));
    EXPECT_EQ(card.busy(), 0);
}

struct FailureCase {
    WaveDirection direction;
    const char* step;
    std::vector<std::string> calls;
};

TEST_F(SoundCardTest, AFailedStepShowsTheSystemsTextClosesWhatWasOpenedAndLeavesTheCardIdle) {
    const FailureCase cases[] = {
        {out, "query", {"query out"}},
        {out, "open", {"query out", "open out"}},
        {out, "prepare", {"query out", "open out", "lock 4", "prepare out", "unlock 4", "unprepare out", "close out"}},
        {out, "write",
         {"query out", "open out", "lock 4", "prepare out", "write out", "unlock 4", "unprepare out", "close out"}},
        // The recovery resets before it unprepares: the buffer may still be
        // queued on the device.
        {in, "add",
         {"query in", "open in", "lock 4", "prepare in", "add in", "unlock 4", "stop in", "reset in",
          "unprepare in", "close in"}},
        {in, "start",
         {"query in", "open in", "lock 4", "prepare in", "add in", "start in", "unlock 4", "stop in", "reset in",
          "unprepare in", "close in"}},
    };
    for (const auto& c : cases) {
        FakeWaveSystem sys;
        RecordingBoxes shown;
        SoundCard fresh(sys, shown);
        sys.results[c.step] = 32;
        fresh.transfer(c.direction, mono, buffer, 4);
        EXPECT_EQ(sys.calls, c.calls) << c.step;
        const std::string text = c.direction == in ? "in error 32" : "out error 32";
        EXPECT_THAT(shown.shown, ElementsAre(ShownBox{"error", "Rivir32", text})) << c.step;
        EXPECT_EQ(fresh.lastError(), 32u) << c.step;
        EXPECT_EQ(fresh.busy(), 0) << c.step;
        EXPECT_FALSE(sys.headerPrepared) << c.step << ": the header was left prepared";

        // The next transfer finds the card idle and runs to its end.
        sys.results.clear();
        sys.calls.clear();
        fresh.transfer(c.direction, mono, buffer, 4);
        EXPECT_EQ(sys.calls.back(), c.direction == in ? "close in" : "close out") << c.step;
    }
}

TEST_F(SoundCardTest, InputCloseSequenceShowsEveryFailingStepAndGoesOn) {
    system.results = {{"stop", 5}, {"reset", 7}};
    card.transfer(in, mono, buffer, 4);
    EXPECT_THAT(boxes.shown, ElementsAre(ShownBox{"error", "Rivir32", "in error 5"},
                                         ShownBox{"error", "Rivir32", "in error 7"}));
    EXPECT_EQ(system.calls.back(), "close in");
    EXPECT_EQ(card.lastError(), 7u);

    // The handle is gone: closing again does nothing.
    system.calls.clear();
    card.closeInput();
    card.closeOutput();
    EXPECT_THAT(system.calls, IsEmpty());
}

TEST_F(SoundCardTest, OutputCloseSequenceIgnoresItsResults) {
    system.results = {{"unprepare", 5}, {"close", 6}};
    card.transfer(out, mono, buffer, 4);
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_EQ(system.calls.back(), "close out");
}

TEST_F(SoundCardTest, CloseSequencesWithNothingOpenDoNothing) {
    card.closeInput();
    card.closeOutput();
    EXPECT_THAT(system.calls, IsEmpty());
}

TEST_F(SoundCardTest, BusyFromStartUntilTheDeviceReportsTheBufferDone) {
    system.finishAtStart = false;
    EXPECT_EQ(card.busy(), 0);
    std::thread transfer([&] { card.transfer(out, mono, buffer, 8); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!system.started && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_TRUE(system.started) << "the transfer never reached its start";
    EXPECT_EQ(card.busy(), -1) << "another thread sees the transfer running";

    // A second transfer meanwhile returns at once without a step of its own.
    const std::size_t stepsSoFar = system.calls.size();
    card.transfer(in, mono, buffer, 8);
    EXPECT_EQ(system.calls.size(), stepsSoFar);

    system.finish();  // the device's callback
    transfer.join();
    EXPECT_EQ(card.busy(), 0);
    EXPECT_EQ(system.calls.back(), "close out");
}

TEST_F(SoundCardTest, RateAndWidthStartAt11025And1AndFollowTheSetters) {
    EXPECT_EQ(card.rate(), 11025);
    EXPECT_EQ(card.width(), 1);
    EXPECT_EQ(card.setRate(8000), 11025);
    EXPECT_EQ(card.rate(), 8000);
    const std::pair<int32_t, int32_t> widths[] = {{1, 1}, {0, 2}, {2, 2}, {16, 2}, {-1, 2}};
    for (const auto& [asked, stored] : widths) {
        EXPECT_EQ(card.setWidth(asked), stored) << "SOUNDSETBYTES(" << asked << ")";
        EXPECT_EQ(card.width(), stored);
    }
}

TEST_F(SoundCardTest, ANegativeStoredRateIsARangeErrorWhenReadButIsReplacedAllTheSame) {
    EXPECT_EQ(card.setRate(-5), 11025);
    EXPECT_EQ(faultOf([&] { card.rate(); }), Fault::range);
    EXPECT_EQ(faultOf([&] { card.setRate(22050); }), Fault::range);
    EXPECT_EQ(card.rate(), 22050);
}

TEST_F(SoundCardTest, InputPresentCountsInputDevicesOnly) {
    system.devices = {{in, 2}, {out, 0}};
    EXPECT_EQ(card.inputPresent(), -1);
    system.devices = {{in, 0}, {out, 3}};
    EXPECT_EQ(card.inputPresent(), 0);
}

TEST(CapabilityText, EveryFormatTextIs26Characters) {
    for (int bit = 0; bit < 12; ++bit) EXPECT_EQ(std::string(capabilityText(bit)).size(), 26u) << bit;
}

TEST_F(SoundCardTest, CapabilityBoxNamesTheDeviceItsChannelsAndEachFormatBit) {
    system.caps = {"XYZ", 2, 0x801};
    card.showCapabilities(out);
    EXPECT_THAT(boxes.shown, ElementsAre(ShownBox{"information", "DadO.DLL",
                                                  "XYZ 2 channel.\r\n11.025 kHz, mono,   8-bit \r\n"
                                                  "44.1   kHz, stereo, 16-bit"}));
}

TEST(CapabilityText, ProductNameIsCutAt31Characters) {
    const WaveCapabilities caps{std::string(40, 'n'), 1, 0};
    EXPECT_EQ(capabilityBoxText(caps), std::string(31, 'n') + " 1 channel.");
}

TEST_F(SoundCardTest, CapabilityBoxSaysNoDeviceWithoutDevicesOrWithoutARecord) {
    system.devices = {{in, 0}, {out, 1}};
    card.showCapabilities(in);
    system.capsResult = 2;
    card.showCapabilities(out);
    const ShownBox noDevice{"information", "DadO.DLL", "No Device."};
    EXPECT_THAT(boxes.shown, ElementsAre(noDevice, noDevice));
}

}  // namespace
}  // namespace port
