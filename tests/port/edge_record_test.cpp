// The edge record between a source thread and its caller: order, loss when
// full, a past never rewritten, and a source's end.
#include <gtest/gtest.h>

#include "edge_record.h"
#include "fake_systems.h"
#include "fault.h"
#include "port.h"
#include "serial.h"

namespace port {
namespace {

using Next = LineEdges::Next;

TEST(EdgeRecord, FullRecordDropsTheOldestAndReportsTheLossOnceBeforeTheRest) {
    EdgeRecord record(EdgeSourceKind::kernel, 0);
    for (int64_t i = 1; i <= int64_t(EdgeRecord::CAPACITY) + 2; ++i) record.add(i * 10, i % 2 == 0);
    LineEdge edge;
    int64_t complete = 0;
    EXPECT_TRUE(record.wait(0));
    EXPECT_EQ(record.take(edge, complete), Next::lost);
    ASSERT_EQ(record.take(edge, complete), Next::edge);
    EXPECT_EQ(edge.counter, 30) << "the two oldest changes went";
    EXPECT_FALSE(edge.high);
    size_t rest = 1;
    while (record.take(edge, complete) == Next::edge) ++rest;
    EXPECT_EQ(rest, EdgeRecord::CAPACITY);
    EXPECT_EQ(complete, int64_t(EdgeRecord::CAPACITY + 2) * 10);
}

TEST(EdgeRecord, ChangeTimedBeforeTheKnownLineIsMovedToItsEnd) {
    int64_t clock = 1000;
    EdgeRecord record(EdgeSourceKind::watcher, 0, [&] { return clock; });
    LineEdge edge;
    int64_t complete = 0;
    EXPECT_EQ(record.take(edge, complete), Next::none);
    EXPECT_EQ(complete, 1000);
    record.add(900, false);  // timed before the moment the caller was told
    ASSERT_EQ(record.take(edge, complete), Next::edge);
    EXPECT_EQ(edge.counter, 1000);
    EXPECT_FALSE(record.wait(1'000'000)) << "nothing more: the wait runs out";
}

TEST(EdgeRecord, EndedSourceGivesItsLastChangesFirstThenTheEnd) {
    EdgeRecord record(EdgeSourceKind::kernel, 0);
    record.add(5, false);
    record.markFailed();
    record.add(7, true);  // nothing is recorded after the end
    LineEdge edge;
    int64_t complete = 0;
    EXPECT_EQ(record.take(edge, complete), Next::edge);
    EXPECT_EQ(record.take(edge, complete), Next::failed);
    EXPECT_EQ(record.take(edge, complete), Next::failed);
}

// EDGEREAD's times are the stopwatch's readings modulo 2^32, however long
// ago it was started: a pause of any length neither stops the call nor
// loses the change it took.
TEST(EdgeRead, TimesWrapModulo2To32AndNoChangeIsLostToItsTime) {
    testing::FakeSerialSystem system;
    testing::FakeTimingSystem clock;  // 1 MHz: one count per microsecond
    Timing timing{clock};
    SerialPort serial{system, timing};
    EdgeRecord record(EdgeSourceKind::watcher, 0);
    system.log.edges = &record;
    ASSERT_EQ(serial.open("COM1:"), 1);
    clock.counterValue = 1000;
    timing.startMicroseconds();

    struct Case {
        int64_t sinceStartUs;
        int32_t time;
    };
    const int64_t wrap = int64_t{1} << 32;
    const Case cases[] = {
        {0, 0},
        {2147483647, 2147483647},
        {2147483648, -2147483647 - 1},  // TIMEREADUS would stop with a range error here
        {wrap + 5, 5},
        {int64_t{10} * 3600 * 1000000, int32_t(uint32_t(int64_t{10} * 3600 * 1000000 % wrap))},  // 10 hours
        {10 * wrap - 7, -7},
    };
    bool high = false;
    for (const Case& c : cases) record.add(1000 + c.sinceStartUs, high = !high);
    high = false;
    for (const Case& c : cases) {
        int32_t time = 12345;
        EXPECT_EQ(readEdge(serial, timing, &time), (high = !high) ? 1 : 0) << c.sinceStartUs << " us after the start";
        EXPECT_EQ(time, c.time) << c.sinceStartUs << " us after the start";
    }
    int32_t time = 12345;
    EXPECT_EQ(readEdge(serial, timing, &time), PORT_EDGE_NONE_WAITING);
    EXPECT_EQ(time, cases[std::size(cases) - 1].time) << "known up to the last change";

    record.add(1000 + 11 * wrap + 1, true);
    try {
        readEdge(serial, timing, nullptr);
        ADD_FAILURE() << "no place for the time: a range error";
    } catch (const FaultError& e) {
        EXPECT_EQ(e.fault, Fault::range);
    }
    EXPECT_EQ(readEdge(serial, timing, &time), 1) << "the change is still there after the refused call";
    EXPECT_EQ(time, 1);
}

}  // namespace
}  // namespace port
