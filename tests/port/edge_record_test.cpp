// The edge record between a source thread and its caller: order, loss when
// full, a past never rewritten, and a source's end.
#include <gtest/gtest.h>

#include "edge_record.h"

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

}  // namespace
}  // namespace port
