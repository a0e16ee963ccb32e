// The thread that watches DCD on a serial port, over a scripted serial
// driver in virtual time: what each wake and look records, what counts as
// lost, up to when the line is known, and a driver that cannot wait. The
// driver's count is the interrupt counter on Linux and the number of
// carrier-detect reports on Windows; rows say which they describe.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "modem_line_watch.h"

namespace port {
namespace {

using Wake = LineWatchSystem::Wake;

class ScriptedDriver final : public LineWatchSystem {
public:
    struct Report {
        int64_t atUs;          // when the wait comes back (the clock moves there)
        int turns = 0;         // changes of the level since the last report
        int counted = 0;       // of them, or of the reports, what the driver's count shows at once
        Wake wake = Wake::change;
        int countedLater = 0;  // what the count shows only after a pause
    };

    int64_t now() override { return clockUs * 1000; }
    int64_t countsPerSecond() override { return 1'000'000'000; }
    bool look(LineLook& look) override {
        look = {high, changes};
        return answers;
    }
    Wake wait() override {
        if (reports.empty()) return Wake::failed;
        const Report r = reports.front();
        reports.pop_front();
        clockUs = r.atUs;
        if (r.turns % 2 == 1) high = !high;
        changes += uint32_t(r.counted);
        uncounted = r.countedLater;
        return r.wake;
    }
    void kick() override { ++kicks; }
    void pause() override {
        changes += uint32_t(uncounted);
        uncounted = 0;
    }
    std::string failure() override { return "/dev/ttyFAKE: gone"; }

    std::deque<Report> reports;
    int64_t clockUs = 0;
    bool high = true;
    uint32_t changes = 0;
    int uncounted = 0;
    bool answers = true;
    int kicks = 0;
};

// What the caller takes from the record, as "L1000" (low at 1000 us),
// "H2000", "lost", "ended".
std::string drain(EdgeRecord& record) {
    std::string taken;
    LineEdge edge;
    int64_t complete = 0;
    for (;;) {
        const LineEdges::Next next = record.take(edge, complete);
        if (next == LineEdges::Next::none) break;
        if (!taken.empty()) taken += ' ';
        if (next == LineEdges::Next::lost) taken += "lost";
        if (next == LineEdges::Next::failed) return taken + "ended";
        if (next == LineEdges::Next::edge) taken += (edge.high ? "H" : "L") + std::to_string(edge.counter / 1000);
    }
    return taken;
}

TEST(ModemLineWatch, EveryChangeIsRecordedAtItsWakeOrReportedLost) {
    using R = ScriptedDriver::Report;
    struct Case {
        const char* what;
        uint32_t startCount;
        std::vector<R> reports;
        const char* taken;
    };
    const Case cases[] = {
        {"one change, one wake", 7, {R{1000, 1, 1}, R{1400, 1, 1}}, "L1000 H1400"},
        {"a pair counted at one wake (Linux)", 0, {R{1000, 2, 2}}, "lost"},
        {"three changes counted at one wake (Linux)", 0, {R{1000, 3, 3}}, "lost L1000"},
        {"a change missed between a look and the next wait: the wait ends at the one after (Linux)", 0,
         {R{1000, 1, 1}, R{3000, 2, 2}}, "L1000 lost"},
        {"two wakes that find the same level: a pair reported once (Windows)", 0, {R{1000, 1, 1}, R{2000, 2, 1}},
         "L1000 lost"},
        {"a change not yet in the count when the woken thread looks", 0, {R{1000, 1, 0, Wake::change, 1}},
         "L1000"},
        {"the driver's count wraps", 0xFFFFFFFFu, {R{1000, 1, 1}, R{1400, 1, 1}}, "L1000 H1400"},
        {"a kick that finds nothing new", 0, {R{1000, 0, 0, Wake::kick}, R{1400, 1, 1}}, "L1400"},
    };
    for (const Case& c : cases) {
        ScriptedDriver driver;
        driver.changes = c.startCount;
        driver.reports.assign(c.reports.begin(), c.reports.end());
        ModemLineWatch watch(driver);
        for (size_t i = 0; i < c.reports.size(); ++i) ASSERT_TRUE(watch.step()) << c.what;
        EXPECT_EQ(drain(watch.record()), c.taken) << c.what;
        EXPECT_TRUE(watch.waitsWork()) << c.what;
    }
}

// A change that came after the thread's look and before its next wait
// wakes nobody: the line is not known past it, and the thread is woken to
// record it once it is plainly missed, not merely on its way.
TEST(ModemLineWatch, LineIsKnownOnlyUpToTheLastLookThatFoundNothingUnrecorded) {
    ScriptedDriver driver;
    ModemLineWatch watch(driver);
    LineEdge edge;
    int64_t complete = 0;
    driver.clockUs = 500;
    EXPECT_EQ(watch.record().take(edge, complete), LineEdges::Next::none);
    EXPECT_EQ(complete, 500'000) << "nothing unrecorded: known up to the look";

    driver.high = false;  // the frame's last change, counted but never woken for
    ++driver.changes;
    for (int64_t us : {int64_t{1000}, 1000 + ModemLineWatch::MISSED_AFTER_US - 1}) {
        driver.clockUs = us;
        EXPECT_EQ(watch.record().take(edge, complete), LineEdges::Next::none);
        EXPECT_EQ(complete, 500'000) << "not known past an unrecorded change, at " << us;
    }
    EXPECT_EQ(driver.kicks, 0) << "a change on its way is left to the thread's own wake";
    driver.clockUs = 1000 + ModemLineWatch::MISSED_AFTER_US;
    watch.record().take(edge, complete);
    EXPECT_EQ(driver.kicks, 1) << "a missed change wakes the thread";

    driver.reports.push_back({3100, 0, 0, Wake::kick});
    ASSERT_TRUE(watch.step());
    EXPECT_EQ(drain(watch.record()), "lost L3100") << "its moment is unknown: lost, then the level";
    driver.clockUs = 3200;
    EXPECT_EQ(watch.record().take(edge, complete), LineEdges::Next::none);
    EXPECT_EQ(complete, 3'200'000);
}

TEST(ModemLineWatch, DriverThatCannotWaitIsPolledAndOneThatStopsEndsTheSourceByName) {
    {
        ScriptedDriver driver;
        driver.reports.push_back({100, 0, 0, Wake::failed});
        ModemLineWatch watch(driver);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(watch.step());
        EXPECT_FALSE(watch.waitsWork()) << "a refused first wait: no edges, the port is polled";
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "and nothing to report";
    }
    for (bool lookFails : {false, true}) {
        ScriptedDriver driver;
        driver.reports.push_back({100, 1, 1});
        driver.reports.push_back({200, 1, 1, lookFails ? Wake::change : Wake::failed});
        ModemLineWatch watch(driver);
        ASSERT_TRUE(watch.step());
        driver.answers = !lookFails;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(watch.step());
        const std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find("/dev/ttyFAKE"), std::string::npos) << message;
        EXPECT_EQ(drain(watch.record()), "L100 ended") << (lookFails ? "look failed" : "wait failed");
    }
}

}  // namespace
}  // namespace port
