// The timing group's arithmetic on virtual clocks: stopwatch starts and
// reads, the busy waits' ends, the 32-bit wrap and the guarded conversions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include <cstdint>
#include <limits>

#include "fake_systems.h"
#include "fault.h"
#include "timing.h"

namespace port::testing {
namespace {

using ::testing::ElementsAre;

// The fault a call stops with, or Fault::none when it runs through.
template <class Call>
Fault faultOf(Call call) {
    try {
        call();
    } catch (const FaultError& e) {
        return e.fault;
    }
    return Fault::none;
}

class TimingTest : public ::testing::Test {
protected:
    FakeTimingSystem clock;
    Timing timing{clock};
};

TEST_F(TimingTest, MicrosecondStopwatchReadsZeroBeforeItsFirstStart) {
    clock.counterValue = 123456789012;
    EXPECT_EQ(timing.readMicroseconds(), 0);
}

TEST_F(TimingTest, MillisecondStopwatchReadsTheRawClockBeforeItsFirstStart) {
    clock.clockMs = 987654;
    EXPECT_EQ(timing.readMilliseconds(), 987654);
}

TEST_F(TimingTest, MillisecondStopwatchCountsAcrossTheClockWrap) {
    clock.clockMs = 0xFFFFFFF0u;
    timing.startMilliseconds();
    clock.clockMs = 0x10;
    EXPECT_EQ(timing.readMilliseconds(), 32) << "the difference is taken modulo 2^32";
}

TEST_F(TimingTest, MillisecondStopwatchStopsWithARangeErrorAfter2To31Milliseconds) {
    clock.clockMs = 0;
    timing.startMilliseconds();
    clock.clockMs = 0x7FFFFFFF;
    EXPECT_EQ(timing.readMilliseconds(), 0x7FFFFFFF);
    clock.clockMs = 0x80000000u;
    EXPECT_EQ(faultOf([&] { timing.readMilliseconds(); }), Fault::range);
}

TEST_F(TimingTest, DelayEndsAtTheFirstClockReadingItsMillisecondsAfterTheStart) {
    struct Case {
        uint32_t start;
        int32_t ms;
        uint32_t lastReading;  // after the start
    };
    // DELAY(0) ends at its first reading; the last case's end lies beyond
    // the clock's wrap.
    for (const Case& c : {Case{1000, 0, 1}, Case{1000, 40, 40}, Case{0xFFFFFFFEu, 5, 5}}) {
        clock.clockMs = c.start;
        timing.delay(c.ms);
        const uint32_t lastReading = clock.clockMs - clock.msStep;
        EXPECT_EQ(lastReading - c.start, c.lastReading) << "DELAY(" << c.ms << ") from " << c.start;
    }
}

TEST_F(TimingTest, DelayOfANegativeTimeIsARangeErrorBeforeTheClockIsRead) {
    EXPECT_EQ(faultOf([&] { timing.delay(-1); }), Fault::range);
    EXPECT_EQ(clock.millisecondReads, 0);
}

TEST_F(TimingTest, MicrosecondsAreCountsTimesSecondsPerCountRoundedHalfToEven) {
    struct Case {
        int64_t frequency;
        int64_t counts;
        int32_t us;
    };
    const Case cases[] = {
        {1000000000, 750000, 750},  {1000000000, 751499, 751},   {1000000000, 751500, 752},
        {1000000000, 752500, 752},  {2000000, 1, 0},             {2000000, 3, 2},
        {2000000, 5, 2},            {3579545, 2685, 750},        {1000000, 2147483647, 2147483647},
        {1000000000, -1500, -2},
    };
    for (const Case& c : cases) {
        clock.frequency = c.frequency;
        clock.counterValue = 5000;
        timing.startMicroseconds();
        clock.counterValue = 5000 + c.counts;
        EXPECT_EQ(timing.readMicroseconds(), c.us) << c.counts << " counts at " << c.frequency << " Hz";
    }
}

TEST_F(TimingTest, MicrosecondStopwatchStopsWithARangeErrorPast2To31Microseconds) {
    clock.frequency = 1000000;
    clock.counterValue = 0;
    timing.startMicroseconds();
    clock.counterValue = int64_t{1} << 31;
    EXPECT_EQ(faultOf([&] { timing.readMicroseconds(); }), Fault::range);
    clock.counterValue = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(faultOf([&] { timing.readMicroseconds(); }), Fault::range) << "far beyond 64-bit integers";
}

TEST_F(TimingTest, OverflowingCounterDifferenceIsAnOverflowError) {
    clock.counterValue = std::numeric_limits<int64_t>::max();
    timing.startMicroseconds();
    clock.counterValue = -2;
    EXPECT_EQ(faultOf([&] { timing.readMicroseconds(); }), Fault::overflow);
}

TEST_F(TimingTest, StopwatchWithoutACounterFrequencyFailsToStartAndKeepsTheOldStart) {
    clock.counterValue = 100;
    timing.startMicroseconds();
    clock.frequency = 0;
    clock.counterValue = 900;
    EXPECT_EQ(faultOf([&] { timing.startMicroseconds(); }), Fault::range);
    clock.counterValue = 1100;
    EXPECT_EQ(timing.readMicroseconds(), 1000) << "the stopwatch still runs from its first start";
}

TEST_F(TimingTest, DelayMicrosecondsRestartsTheStopwatch) {
    clock.counterValue = 0;
    timing.startMicroseconds();
    clock.counterValue = 5000;
    clock.counterStep = 10;
    timing.delayMicroseconds(1000);
    clock.counterStep = 0;
    const int32_t afterDelay = timing.readMicroseconds();
    EXPECT_GE(afterDelay, 1000);
    EXPECT_LT(afterDelay, 1100) << "the stopwatch must count from the start of the delay, not from 0";
}

TEST_F(TimingTest, DelayMicrosecondsOfZeroOrLessReturnsAfterOneRead) {
    for (int32_t us : {0, -5}) {
        clock.counterReads = 0;
        clock.counterStep = 1;
        timing.delayMicroseconds(us);
        EXPECT_EQ(clock.counterReads, 2) << "DELAYUS(" << us << "): one start, one read";
    }
}

TEST_F(TimingTest, RealtimeSwitchesBetweenTheRealtimeAndTheNormalClass) {
    timing.realtime(1);
    timing.realtime(0);
    timing.realtime(-3);
    timing.realtime(0);
    EXPECT_THAT(clock.priorities, ElementsAre(PriorityClass::realtime, PriorityClass::normal, PriorityClass::realtime,
                                              PriorityClass::normal));
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    struct Case {
        double x;
        double rounded;
    };
    for (const Case& c : {Case{0.5, 0.0}, Case{1.5, 2.0}, Case{2.5, 2.0}, Case{-0.5, 0.0}, Case{-1.5, -2.0},
                          Case{-2.5, -2.0}, Case{2.4999, 2.0}, Case{2.5001, 3.0}, Case{749.5, 750.0},
                          Case{750.5, 750.0}})
        EXPECT_EQ(roundHalfEven(c.x), c.rounded) << c.x;
}

TEST(Guarded, FaultBecomesTheNothingValueAndIsReportedOnce) {
    EXPECT_EQ(takeLastFault(), Fault::none);
    EXPECT_EQ(guarded(-1, []() -> int { raise(Fault::overflow); }), -1);
    EXPECT_EQ(takeLastFault(), Fault::overflow);
    EXPECT_EQ(takeLastFault(), Fault::none) << "reading the fault clears it";
    EXPECT_EQ(guarded(0, [] { return 7; }), 7);
    EXPECT_EQ(takeLastFault(), Fault::none);
}

TEST(Guarded, NoExceptionOfAnyKindLeavesAndEachKeepsItsReason) {
    EXPECT_EQ(guarded(-1, []() -> int { throw std::bad_alloc(); }), -1);
    EXPECT_EQ(takeLastFault(), Fault::outOfMemory);
    guarded([] { throw std::runtime_error("anything else"); });
    EXPECT_EQ(takeLastFault(), Fault::internal);
    guarded([] { throw 42; });
    EXPECT_EQ(takeLastFault(), Fault::internal);
}

}  // namespace
}  // namespace port::testing
