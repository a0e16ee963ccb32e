// Capture of one IR frame on a scripted line in virtual time: one DCD query
// costs 1 us, so every threshold is hit to the microsecond.
#include <gtest/gtest.h>

#include <vector>

#include "app/irbit.h"
#include "fake_window.h"
#include "frame_text.h"
#include "virtual_port.h"

namespace rumblet::testing {
namespace {

using irframe::IrFrame;

class CaptureTest : public ::testing::Test {
protected:
    static constexpr int32_t PULSE = 400;

    int16_t capture() { return irbit(line, window, bits, running); }

    // A frame written by hand: quiet line, a header pulse, then each gap
    // ended by a 400 us pulse, then quiet line again.
    void frameOnLine(int32_t headerUs, const std::vector<int32_t>& gapsUs) {
        line.high(1000);
        line.low(headerUs);
        for (int32_t gap : gapsUs) {
            line.high(gap);
            line.low(PULSE);
        }
        line.high(20000);
    }
    static std::vector<int32_t> gapsOf(const IrFrame& frame) {
        std::vector<int32_t> gaps;
        for (int16_t bit : frame) gaps.push_back(bit ? 1100 : 400);
        return gaps;
    }
    static std::vector<int32_t> zeroGapsExcept(int index, int32_t gapUs) {
        std::vector<int32_t> gaps(18, 400);
        gaps[index] = gapUs;
        return gaps;
    }

    EventLog log;
    VirtualPort line{&log};
    FakeWindow window{line, &log};
    std::array<int16_t, 18> bits{};
    int16_t running = 1;
};

const IrFrame FRAME_A = frameOf("0 01 00101 00000 0000 p");
const IrFrame FRAME_B = frameOf("0 10 00000 10011 0000 p");

TEST_F(CaptureTest, QuietLineGivesUpJustAfter12SecondsWithKeinKontroller) {
    bits.fill(1);
    std::vector<int64_t> yieldTimes;
    window.onYield = [&] {
        if (yieldTimes.size() < 2) yieldTimes.push_back(line.now);
    };
    EXPECT_EQ(capture(), 1);
    EXPECT_EQ(window.messages, std::vector<std::string>{"        Kein Kontroller!"});
    ASSERT_EQ(yieldTimes.size(), 2u);
    EXPECT_EQ(yieldTimes[0], 0);
    EXPECT_EQ(yieldTimes[1] / 1000, 40) << "the first wait for a pulse lasts 40 ms";
    EXPECT_EQ(running, 0);
    EXPECT_TRUE(line.realtime.empty()) << "priority must never be raised without a header";
    EXPECT_EQ(bits, (std::array<int16_t, 18>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_GE(line.now, 12001000);
    EXPECT_LT(line.now, 12001010);
    EXPECT_GT(window.yields, 1000) << "the header search must yield in every round";
    EXPECT_EQ(line.timeinitCalls, 1) << "the 12 s count from the start of the capture";
}

TEST_F(CaptureTest, HeaderAt12000MsIsTakenAt12001MsIsTooLate) {
    struct Case {
        int64_t headerAt;
        int16_t result;
        size_t messages;
    };
    for (const Case c : {Case{12000500, 0, 0}, Case{12001000, 1, 1}}) {
        SCOPED_TRACE(c.headerAt);
        VirtualPort late;
        FakeWindow lateWindow{late};
        int16_t lateRunning = 1;
        late.sendAt(c.headerAt, irframe::pulseTrain(FRAME_A, 1000));
        EXPECT_EQ(irbit(late, lateWindow, bits, lateRunning), c.result);
        EXPECT_EQ(lateWindow.messages.size(), c.messages);
    }
}

// A low period is a header only above 2400 us; the timing stops at 2800 us.
// The candidate pulse is followed by the gaps of frame A; a real frame B
// comes later. Which one is captured tells whether the pulse was a header.
TEST_F(CaptureTest, HeaderMustBeLongerThan2400Microseconds) {
    struct Case {
        int32_t pulseUs;
        bool header;
    };
    for (const Case c : {Case{2000, false}, Case{2400, false}, Case{2401, true},
                         Case{2799, true}, Case{2800, true}}) {
        SCOPED_TRACE(c.pulseUs);
        VirtualPort candidate;
        FakeWindow candidateWindow{candidate};
        int16_t candidateRunning = 1;
        candidate.high(1000);
        candidate.low(c.pulseUs);
        for (int32_t gap : gapsOf(FRAME_A)) {
            candidate.high(gap);
            candidate.low(PULSE);
        }
        candidate.high(30000);
        candidate.send(irframe::pulseTrain(FRAME_B, 1000));

        EXPECT_EQ(irbit(candidate, candidateWindow, bits, candidateRunning), 0);
        EXPECT_EQ(bits, c.header ? FRAME_A : FRAME_B);
    }
}

TEST_F(CaptureTest, HeaderStillLowAt2800IsAcceptedWithBitZeroZero) {
    frameOnLine(3000, gapsOf(FRAME_A));
    capture();
    EXPECT_EQ(bits[0], 0);
    // The first gap of the line is then read as bit 1: the frame shifts.
    for (int i = 1; i < 18; ++i) EXPECT_EQ(bits[i], FRAME_A[i - 1]) << "bit " << i;
}

// The gap of bit 0 is timed from the moment the header was accepted: a
// header still low at 2800 us lends its last microsecond to bit 0.
TEST_F(CaptureTest, BitZeroIsTimedFromTheHeadersAcceptance) {
    struct Case {
        int32_t headerUs;
        int16_t bit0;
    };
    for (const Case c : {Case{2800, 0}, Case{2801, 1}}) {
        SCOPED_TRACE(c.headerUs);
        VirtualPort headerLine;
        FakeWindow headerWindow{headerLine};
        int16_t headerRunning = 1;
        headerLine.high(1000);
        headerLine.low(c.headerUs);
        for (int32_t gap : zeroGapsExcept(0, 750)) {
            headerLine.high(gap);
            headerLine.low(PULSE);
        }
        headerLine.high(20000);
        irbit(headerLine, headerWindow, bits, headerRunning);
        EXPECT_EQ(bits[0], c.bit0);
    }
}

TEST_F(CaptureTest, GapAbove750IsAOneAndTimingStopsAt2200) {
    struct Case {
        int32_t gapUs;
        int16_t bit5, bit6;
    };
    // A gap longer than 2200 us is cut there; after the one poll that finds
    // the line still high, what is left of it is timed as the next bit:
    // 2951 leaves exactly 750 (a 0), 2952 leaves 751 (a 1).
    for (const Case c : {Case{750, 0, 0}, Case{751, 1, 0}, Case{2199, 1, 0},
                         Case{2951, 1, 0}, Case{2952, 1, 1}}) {
        SCOPED_TRACE(c.gapUs);
        VirtualPort gapLine;
        FakeWindow gapWindow{gapLine};
        int16_t gapRunning = 1;
        gapLine.high(1000);
        gapLine.low(2600);
        for (int32_t gap : zeroGapsExcept(5, c.gapUs)) {
            gapLine.high(gap);
            gapLine.low(PULSE);
        }
        gapLine.high(20000);
        irbit(gapLine, gapWindow, bits, gapRunning);
        EXPECT_EQ(bits[4], 0);
        EXPECT_EQ(bits[5], c.bit5);
        EXPECT_EQ(bits[6], c.bit6);
    }
}

TEST_F(CaptureTest, EvenCountOfOnesIsAcceptedOddOrAllOnesRejected) {
    struct Case {
        const char* frame;
        int16_t result;
    };
    for (const Case c : {Case{"000000000000000000", 0}, Case{"011000000000000000", 0},
                         Case{"011100000000000000", 1}, Case{"011111111111111110", 0},
                         Case{"011111111111111111", 1}, Case{"111111111111111111", 1}}) {
        SCOPED_TRACE(c.frame);
        VirtualPort parityLine;
        FakeWindow parityWindow{parityLine};
        int16_t parityRunning = 1;
        parityLine.high(1000);
        parityLine.low(2600);
        for (int32_t gap : gapsOf(frameOf(c.frame))) {
            parityLine.high(gap);
            parityLine.low(PULSE);
        }
        parityLine.high(20000);
        EXPECT_EQ(irbit(parityLine, parityWindow, bits, parityRunning), c.result);
        EXPECT_EQ(bits, frameOf(c.frame));
        EXPECT_TRUE(parityWindow.messages.empty());
        EXPECT_EQ(parityRunning, 1) << "a rejected frame does not stop the receive loop";
    }
}

TEST_F(CaptureTest, HeaderFollowedBySilenceGivesEighteenOnesAndIsRejected) {
    line.high(1000);
    line.low(2600);
    EXPECT_EQ(capture(), 1);
    EXPECT_EQ(bits, frameOf("111111111111111111"));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(line.realtime, (std::vector<int32_t>{-1, 0}));
}

TEST_F(CaptureTest, RealTimePriorityOnlyWhileTimingTheBits) {
    frameOnLine(2600, gapsOf(FRAME_A));
    EXPECT_EQ(capture(), 0);
    EXPECT_EQ(line.realtime, (std::vector<int32_t>{-1, 0})) << "on with all bits set, then off";
}

TEST_F(CaptureTest, LineStuckLowInsideTheFrameEndsWithNoIrHardware) {
    bits.fill(1);  // the previous frame
    line.high(1000);
    line.low(2600);  // header ends at 3600
    for (int i = 0; i < 5; ++i) {
        line.high(400);
        line.low(PULSE);
    }
    line.lowAfterScript = true;  // the pulse after bit 4 never ends
    const int64_t bit4Start = 3600 + 4 * 800;

    EXPECT_EQ(capture(), 1);
    EXPECT_EQ(window.messages, std::vector<std::string>{"       No IR-Hardware !!"});
    EXPECT_EQ(window.messageTimes[0] - bit4Start, 100001) << "strictly above 100000 us";
    EXPECT_EQ(running, 0);
    EXPECT_EQ(bits, frameOf("00000 1111111111111"));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"REALTIME -1", "REALTIME 0",
                                        "message        No IR-Hardware !!"}))
        << "normal priority comes back before the message box";
}

TEST_F(CaptureTest, LineAlwaysLowIsTakenForAHeaderThenNoIrHardware) {
    bits.fill(1);
    line.lowAfterScript = true;
    EXPECT_EQ(capture(), 1);
    EXPECT_EQ(bits, frameOf("0 11111111111111111"));
    EXPECT_EQ(window.messages, std::vector<std::string>{"       No IR-Hardware !!"});
    EXPECT_EQ(line.realtime, (std::vector<int32_t>{-1, 0}));
    EXPECT_EQ(running, 0);
}

TEST_F(CaptureTest, ShortPulsesAreNoHeaderAndTheSearchGoesOnYielding) {
    line.high(1000);
    for (int i = 0; i < 5; ++i) {
        line.low(2000);
        line.high(1000);
    }
    line.send(irframe::pulseTrain(FRAME_B, 1000));
    int64_t yieldsBeforeFrame = -1;
    window.onYield = [&] {
        if (line.now < 16000) yieldsBeforeFrame = window.yields;
    };
    EXPECT_EQ(capture(), 0);
    EXPECT_EQ(bits, FRAME_B);
    EXPECT_GE(yieldsBeforeFrame, 6) << "one yield per round of the header search";
    EXPECT_EQ(line.timeinitCalls, 1);
    EXPECT_EQ(line.realtime, (std::vector<int32_t>{-1, 0}));
}

}  // namespace
}  // namespace rumblet::testing
