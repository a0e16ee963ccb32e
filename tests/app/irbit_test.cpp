// Capture of one IR frame on a scripted line in virtual time: one DCD query
// costs 1 us, so every threshold is hit to the microsecond. Each case runs
// twice: polling the line, and over the line replayed from its timed edges,
// which must give the same results.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/irbit.h"
#include "app/replayed_line.h"
#include "fake_window.h"
#include "frame_text.h"
#include "virtual_port.h"

namespace rumblet::testing {
namespace {

using irframe::IrFrame;
using Gaps = std::vector<int32_t>;

constexpr int32_t PULSE = 400;

Gaps gapsOf(const IrFrame& frame) {
    Gaps gaps;
    for (int16_t bit : frame) gaps.push_back(bit ? 1100 : 400);
    return gaps;
}

Gaps zeroGapsExcept(int index, int32_t gapUs) {
    Gaps gaps(18, 400);
    gaps[index] = gapUs;
    return gaps;
}

// One capture on its own line. The constructor writes a frame by hand: 1 ms
// of quiet line, a low period of `headerUs`, each gap ended by a 400 us
// pulse, then `quietUs` of quiet line.
struct Capture {
    Capture() = default;
    Capture(int32_t headerUs, const Gaps& gapsUs, int32_t quietUs = 20000) {
        line.high(1000);
        line.low(headerUs);
        for (int32_t gap : gapsUs) {
            line.high(gap);
            line.low(PULSE);
        }
        line.high(quietUs);
    }
    // One capture, as the main window runs it; a second one goes on over
    // the same replay.
    int16_t run() {
        if (!overEdges) return irbit(line, window, bits, running);
        line.recordsEdges = true;
        if (!replayed) replayed.emplace(line);
        EXPECT_TRUE(replayed->ready());
        ReplayedWindow replayedWindow(window, *replayed);
        const int16_t result = irbit(*replayed, replayedWindow, bits, running);
        return replayed->takeDamage() ? int16_t{1} : result;
    }
    // The port the capture reads.
    PortFunctions& port() { return replayed ? static_cast<PortFunctions&>(*replayed) : line; }
    // The capture's own clock: the line's, or the replay's.
    int64_t now() const { return replayed ? replayed->now() : line.now; }
    bool polled() const { return !overEdges; }
    // REALTIME's calls for a captured frame: on with all bits set, then off
    // when polling; none over edges, whose times need no priority.
    std::vector<int32_t> priorityOfAFrame() const { return polled() ? std::vector<int32_t>{-1, 0} : std::vector<int32_t>{}; }

    // Set for each case by the test's parameter.
    inline static bool overEdges = false;

    EventLog log;
    VirtualPort line{&log};
    FakeWindow window{line, &log};
    std::array<int16_t, 18> bits{};
    int16_t running = 1;
    std::optional<ReplayedLine> replayed;
};

class CaptureOnBothLines : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { Capture::overEdges = GetParam(); }
};
INSTANTIATE_TEST_SUITE_P(, CaptureOnBothLines, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ReplayedFromEdges" : "Polled"; });

const IrFrame FRAME_A = frameOf("0 01 00101 00000 0000 p");
const IrFrame FRAME_B = frameOf("0 10 00000 10011 0000 p");
const IrFrame PREVIOUS = frameOf("111111111111111111");

TEST_P(CaptureOnBothLines, QuietLineGivesUpJustAfter12SecondsWithKeinKontroller) {
    Capture c;
    c.bits = PREVIOUS;
    std::vector<int64_t> yieldTimes;
    c.window.onYield = [&] {
        if (yieldTimes.size() < 2) yieldTimes.push_back(c.now());
    };
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(c.window.messages, std::vector<std::string>{"        Kein Kontroller!"});
    EXPECT_EQ(c.running, 0);
    EXPECT_TRUE(c.line.realtime.empty()) << "priority must never be raised without a header";
    EXPECT_EQ(c.bits, PREVIOUS);
    EXPECT_GE(c.now(), 12001000);
    EXPECT_LT(c.now(), 12001010);
    if (c.polled()) {
        EXPECT_EQ(c.line.timeinitCalls, 1) << "the 12 s count from the start of the capture";
    } else {
        EXPECT_LE(c.line.edgeWaits, 12000 / ReplayedLine::SLEEP_MS + 10) << "the quiet line is slept through";
        EXPECT_LE(c.window.yields, 12000000 / ReplayedLine::YIELD_US + 10);
        EXPECT_LE(c.line.dcdCalls, 1) << "the port's own DCD is read once, at the start";
    }
    ASSERT_EQ(yieldTimes.size(), 2u);
    EXPECT_EQ(yieldTimes[0], 0);
    EXPECT_EQ(yieldTimes[1] / 1000, 40) << "the first wait for a pulse lasts 40 ms";
    EXPECT_GT(c.window.yields, 1000) << "the header search must yield in every round";
}

TEST_P(CaptureOnBothLines, HeaderAt12000MsIsTakenAt12001MsIsTooLate) {
    for (const int64_t headerAt : {12000500, 12001000}) {
        SCOPED_TRACE(headerAt);
        Capture c;
        c.line.sendAt(headerAt, irframe::pulseTrain(FRAME_A, 1000));
        const bool inTime = headerAt < 12001000;
        EXPECT_EQ(c.run(), inTime ? 0 : 1);
        EXPECT_EQ(c.window.messages.size(), inTime ? 0u : 1u);
    }
}

// A low period is a header only above 2400 us; the timing stops at 2800 us.
// The candidate pulse is followed by the gaps of frame A; a real frame B
// comes later. Which one is captured tells whether the pulse was a header.
TEST_P(CaptureOnBothLines, HeaderMustBeLongerThan2400Microseconds) {
    struct Case {
        int32_t pulseUs;
        bool header;
    };
    for (const Case k : {Case{2000, false}, Case{2400, false}, Case{2401, true},
                         Case{2799, true}, Case{2800, true}}) {
        SCOPED_TRACE(k.pulseUs);
        Capture c(k.pulseUs, gapsOf(FRAME_A));
        c.line.high(10000);
        c.line.send(irframe::pulseTrain(FRAME_B, 1000));
        EXPECT_EQ(c.run(), 0);
        EXPECT_EQ(c.bits, k.header ? FRAME_A : FRAME_B);
    }
}

TEST_P(CaptureOnBothLines, HeaderStillLowAt2800IsAcceptedWithBitZeroZero) {
    Capture c(3000, gapsOf(FRAME_A));
    c.run();
    EXPECT_EQ(c.bits[0], 0);
    // The first gap of the line is then read as bit 1: the frame shifts.
    for (int i = 1; i < 18; ++i) EXPECT_EQ(c.bits[i], FRAME_A[i - 1]) << "bit " << i;
}

// The gap of bit 0 is timed from the moment the header was accepted: a
// header still low at 2800 us lends its last microsecond to bit 0.
TEST_P(CaptureOnBothLines, BitZeroIsTimedFromTheHeadersAcceptance) {
    for (const int32_t headerUs : {2800, 2801}) {
        Capture c(headerUs, zeroGapsExcept(0, 750));
        c.run();
        EXPECT_EQ(c.bits[0], headerUs == 2801 ? 1 : 0) << headerUs;
    }
}

TEST_P(CaptureOnBothLines, GapAbove750IsAOneAndTimingStopsAt2200) {
    struct Case {
        int32_t gapUs;
        int16_t bit5, bit6;
    };
    // A gap longer than 2200 us is cut there; after the one poll that finds
    // the line still high, what is left of it is timed as the next bit:
    // 2951 leaves exactly 750 (a 0), 2952 leaves 751 (a 1).
    for (const Case k : {Case{750, 0, 0}, Case{751, 1, 0}, Case{2199, 1, 0},
                         Case{2951, 1, 0}, Case{2952, 1, 1}}) {
        SCOPED_TRACE(k.gapUs);
        Capture c(2600, zeroGapsExcept(5, k.gapUs));
        c.run();
        EXPECT_EQ(c.bits[4], 0);
        EXPECT_EQ(c.bits[5], k.bit5);
        EXPECT_EQ(c.bits[6], k.bit6);
    }
}

TEST_P(CaptureOnBothLines, EvenCountOfOnesIsAcceptedOddOrAllOnesRejected) {
    struct Case {
        const char* frame;
        int16_t result;
    };
    for (const Case k : {Case{"000000000000000000", 0}, Case{"011000000000000000", 0},
                         Case{"011100000000000000", 1}, Case{"011111111111111110", 0},
                         Case{"011111111111111111", 1}, Case{"111111111111111111", 1}}) {
        SCOPED_TRACE(k.frame);
        Capture c(2600, gapsOf(frameOf(k.frame)));
        EXPECT_EQ(c.run(), k.result);
        EXPECT_EQ(c.bits, frameOf(k.frame));
        EXPECT_TRUE(c.window.messages.empty());
        EXPECT_EQ(c.running, 1) << "a rejected frame does not stop the receive loop";
        EXPECT_EQ(c.line.realtime, c.priorityOfAFrame()) << "on with all bits set, then off";
    }
}

TEST_P(CaptureOnBothLines, HeaderFollowedBySilenceGivesEighteenOnesAndIsRejected) {
    Capture c(2600, {});
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(c.bits, frameOf("111111111111111111"));
    EXPECT_TRUE(c.window.messages.empty());
    EXPECT_EQ(c.line.realtime, c.priorityOfAFrame());
}

TEST_P(CaptureOnBothLines, LineStuckLowInsideTheFrameEndsWithNoIrHardware) {
    Capture c(2600, Gaps(5, 400), 0);  // header ends at 3600
    c.line.lowAfterScript = true;      // the pulse after bit 4 never ends
    c.bits = PREVIOUS;
    const int64_t bit4Start = 3600 + 4 * 800;

    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(c.window.messages, std::vector<std::string>{"       No IR-Hardware !!"});
    const int64_t abortAt = c.polled() ? c.window.messageTimes[0] : c.replayed->TIMEREADUS() + bit4Start;
    EXPECT_EQ(abortAt - bit4Start, 100001) << "strictly above 100000 us";
    EXPECT_EQ(c.running, 0);
    EXPECT_EQ(c.bits, frameOf("00000 1111111111111")) << "the bits after the abort keep their values";
    if (c.polled()) {
        EXPECT_EQ(std::vector<std::string>(c.log.end() - 3, c.log.end()),
              (std::vector<std::string>{"REALTIME -1", "REALTIME 0",
                                        "message        No IR-Hardware !!"}))
        << "normal priority comes back before the message box";
    }
}

TEST_P(CaptureOnBothLines, LineAlwaysLowIsTakenForAHeaderThenNoIrHardware) {
    Capture c;
    c.bits = PREVIOUS;
    c.line.lowAfterScript = true;
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(c.bits, frameOf("0 11111111111111111"));
    EXPECT_EQ(c.window.messages, std::vector<std::string>{"       No IR-Hardware !!"});
    EXPECT_EQ(c.line.realtime, c.priorityOfAFrame());
    EXPECT_EQ(c.running, 0);
}

TEST_P(CaptureOnBothLines, ShortPulsesAreNoHeaderAndTheSearchGoesOnYielding) {
    Capture c;
    c.line.high(1000);
    for (int i = 0; i < 5; ++i) {
        c.line.low(2000);
        c.line.high(1000);
    }
    c.line.send(irframe::pulseTrain(FRAME_B, 1000));
    int64_t yieldsBeforeFrame = -1;
    c.window.onYield = [&] {
        if (c.now() < 16000) yieldsBeforeFrame = c.window.yields;
    };
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.bits, FRAME_B);
    if (c.polled()) {
        EXPECT_GE(yieldsBeforeFrame, 6) << "one yield per round of the header search";
        EXPECT_EQ(c.line.timeinitCalls, 1);
    }
}

// However long the program rests between two captures (the loop stopped,
// the sound editor open) or is held inside the header search (a message
// box), the frame after the pause is heard as a polled line hears it, and
// one sent at its start is not: the 12 s count from the capture's start or
// from the editor's close, and the microsecond times wrap after 71.6 min
// without harm.
TEST_P(CaptureOnBothLines, FrameAfterAPauseOfAnyLengthIsHeardAsOnAPolledLine) {
    enum Where { BetweenCaptures, HeldInTheSearch };
    struct Case {
        Where where;
        int64_t pauseUs;
        bool editorCloses;  // it restarts the millisecond stopwatch
        bool heard;         // else: the 12 s are up, "Kein Kontroller!"
    };
    constexpr int64_t S = 1'000'000, MIN = 60 * S;
    for (const Case k : {Case{BetweenCaptures, 3 * S, false, true}, Case{BetweenCaptures, 14 * S, false, true},
                         Case{BetweenCaptures, 36 * MIN, false, true}, Case{BetweenCaptures, 72 * MIN, false, true},
                         Case{HeldInTheSearch, 3 * S, false, true}, Case{HeldInTheSearch, 14 * S, false, false},
                         Case{HeldInTheSearch, 40 * MIN, false, false}, Case{HeldInTheSearch, 20 * S, true, true},
                         Case{HeldInTheSearch, 36 * MIN, true, true}}) {
        SCOPED_TRACE(std::to_string(k.where) + " " + std::to_string(k.pauseUs) + " us");
        Capture c(2600, gapsOf(FRAME_A));
        ASSERT_EQ(c.run(), 0);
        int64_t resumed = 0;
        const auto pause = [&] {
            c.line.sendAt(c.line.now + 1000, irframe::pulseTrain(FRAME_A, 0));  // heard by no capture
            c.line.now += k.pauseUs;
            if (k.editorCloses) c.port().TIMEINIT();
            resumed = c.line.now;
            c.line.sendAt(resumed + 100'000, irframe::pulseTrain(FRAME_B, 20000));
        };
        bool held = false;
        if (k.where == BetweenCaptures) pause();
        c.window.onYield = [&] {
            if (k.where == HeldInTheSearch && !std::exchange(held, true)) pause();
        };
        EXPECT_EQ(c.run(), k.heard ? 0 : 1);
        EXPECT_EQ(c.window.messages, k.heard ? std::vector<std::string>{} : std::vector<std::string>{"        Kein Kontroller!"});
        if (k.heard) {
            EXPECT_EQ(c.bits, FRAME_B);
        }
        EXPECT_LT(c.line.now - resumed, 2 * S) << "the capture came back promptly";
    }
}

}  // namespace
}  // namespace rumblet::testing
