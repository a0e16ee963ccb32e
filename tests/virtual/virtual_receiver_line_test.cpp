// The virtual receiver's DCD line in virtual time: every frame is drawn so
// that the capture's thresholds read it back with a clear margin, at the
// moment its sender chose, one frame at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "irframe/irframe.h"
#include "virtual_receiver_line.h"
#include "virtual_receiver_protocol.h"

namespace {

using port::virtual_receiver::Line;

// The frame as the receiver's line shows it.
std::vector<port::virtual_receiver::Stretch> burst(const rumblet::irframe::IrFrame& frame) {
    return port::virtual_receiver::stretchesOf(rumblet::irframe::pulseTrain(frame, 0));
}
namespace irframe = rumblet::irframe;

constexpr int64_t US = 1000;
constexpr int64_t MS = 1000 * US;

struct Stretch {
    bool low;
    int64_t us;
};

// The line sampled every microsecond from `fromNs` to `toNs`, as stretches of
// one level.
std::vector<Stretch> sample(Line& line, int64_t fromNs, int64_t toNs) {
    std::vector<Stretch> out;
    for (int64_t t = fromNs; t < toNs; t += US) {
        const bool low = line.lowAt(t);
        if (out.empty() || out.back().low != low) out.push_back({low, 0});
        ++out.back().us;
    }
    return out;
}

// What the capture would read from the stretches: a header pulse longer
// than 2400 us (it stops timing at 2800 us), then 18 gaps, each a 1 above
// 750 us; gaps are timed only up to 2200 us. The margins are the distances
// of each measured length from the threshold it was judged by.
struct Reading {
    bool header = false;
    irframe::IrFrame bits{};
    int64_t headerMarginUs = 0;  // to the nearer of 2400 and 2800
    int64_t gapMarginUs = 1'000'000;  // smallest distance of any gap to 750 us or to 2200 us
};

Reading read(const std::vector<Stretch>& s) {
    Reading r;
    size_t i = 0;
    while (i < s.size() && !s[i].low) ++i;
    if (i + 2 * 18 >= s.size()) return r;
    const int64_t header = s[i].us;
    r.header = header > 2400 && header < 2800;
    r.headerMarginUs = std::min(header - 2400, 2800 - header);
    for (int bit = 0; bit < 18; ++bit) {
        const int64_t gap = s[i + 1 + 2 * size_t(bit)].us;
        r.bits[size_t(bit)] = gap > 750 ? 1 : 0;
        r.gapMarginUs = std::min({r.gapMarginUs, std::abs(gap - 750), 2200 - gap});
    }
    return r;
}

TEST(VirtualReceiverLine, DrawsEveryKindOfFrameSoTheCaptureReadsItWithClearMargins) {
    const struct {
        const char* what;
        irframe::IrFrame frame;
    } cases[] = {
        {"first start frame", irframe::firstStartFrame(2, 19)},
        {"second start frame", irframe::secondStartFrame(1, {irframe::Mode::Ladezeit, true, true})},
        {"drive frame, full speed back", irframe::ordinaryFrame(3, {-15, -15, false, false})},
        {"fire frame", irframe::ordinaryFrame(0, {0, 0, true, false})},
        {"standing frame", irframe::ordinaryFrame(0, {0, 0, false, false})},
    };
    for (const auto& c : cases) {
        Line line;
        const int64_t start = 10 * MS;
        ASSERT_TRUE(line.schedule(burst(c.frame), start)) << c.what;
        const auto stretches = sample(line, start - 1 * MS, start + 40 * MS);
        const Reading r = read(stretches);
        EXPECT_TRUE(r.header) << c.what << ": no header";
        EXPECT_EQ(r.bits, c.frame) << c.what << ": read back other bits";
        EXPECT_GE(r.headerMarginUs, 150) << c.what << ": header too close to 2400 or 2800 us";
        EXPECT_GE(r.gapMarginUs, 300) << c.what << ": a gap too close to 750 or 2200 us";
        EXPECT_FALSE(stretches.back().low) << c.what << ": the line does not return to idle";
        EXPECT_EQ(stretches.size(), 2u + 2 * 18 + 1) << c.what << ": stray edges";
    }
}

TEST(VirtualReceiverLine, IsIdleBeforeAFrameBeginsAndAfterItEnds) {
    Line line;
    const auto frame = irframe::ordinaryFrame(0, {5, 5, false, false});
    line.schedule(burst(frame), 100 * MS);
    EXPECT_FALSE(line.lowAt(100 * MS - 1));
    EXPECT_TRUE(line.lowAt(100 * MS));
    const int64_t end = 100 * MS + irframe::durationUs(irframe::pulseTrain(frame, 0)) * US;
    EXPECT_TRUE(line.lowAt(end - 1)) << "the last pulse ends the frame";
    EXPECT_FALSE(line.lowAt(end));
    EXPECT_EQ(line.pendingFrames(), 0u) << "a frame that is over is forgotten";
}

// One receiver sees one burst at a time: a frame sent while another is on the
// line follows it after a quiet stretch, unless it would come far too late.
TEST(VirtualReceiverLine, AFrameSentDuringAnotherWaitsForItOrIsLostToTheCollision) {
    const auto frame = burst(irframe::ordinaryFrame(1, {3, 3, false, false}));
    const int64_t length = irframe::durationUs(irframe::pulseTrain(irframe::ordinaryFrame(1, {3, 3, false, false}), 0)) * US;
    Line line;
    ASSERT_TRUE(line.schedule(frame, 0));
    ASSERT_TRUE(line.schedule(frame, 1 * MS)) << "a frame 1 ms behind waits";
    const int64_t secondStart = length + Line::MIN_QUIET_NS;
    EXPECT_FALSE(line.lowAt(secondStart - 1));
    EXPECT_TRUE(line.lowAt(secondStart)) << "the second frame begins after the quiet stretch";

    // Frames all sent for the same moment: the n-th would begin n frame
    // lengths and quiet stretches late; beyond 50 ms it is lost.
    Line busy;
    for (int n = 0; n < 4; ++n) {
        const bool fits = n * (length + Line::MIN_QUIET_NS) <= Line::MAX_DELAY_NS;
        EXPECT_EQ(busy.schedule(frame, 0), fits) << "frame " << n << " sent together with the others";
    }
}

// A sender's message is taken only whole and only with levels a receiver
// could show; anything else never reaches the line.
TEST(VirtualReceiverLine, TakesOnlyWholeMessagesWithPlausibleLevels) {
    using namespace port::virtual_receiver;
    BurstMessage good;
    good.count = 2;
    good.stretches[0] = {1, 2600};
    good.stretches[1] = {0, 400};
    std::vector<port::virtual_receiver::Stretch> stretches;
    EXPECT_TRUE(readBurst(good, burstMessageSize(2), stretches));
    EXPECT_EQ(stretches.size(), 2u);
    const struct {
        const char* what;
        uint32_t count;
        size_t size;
        WireStretch first;
    } bad[] = {
        {"cut short", 2, burstMessageSize(2) - 1, {1, 2600}},
        {"no stretch", 0, burstMessageSize(0), {1, 2600}},
        {"too many stretches", MAX_STRETCHES + 1, sizeof(BurstMessage), {1, 2600}},
        {"empty stretch", 2, burstMessageSize(2), {1, 0}},
        {"stretch of a second", 2, burstMessageSize(2), {1, 1'000'000}},
        {"level neither low nor high", 2, burstMessageSize(2), {7, 2600}},
    };
    for (const auto& b : bad) {
        BurstMessage message = good;
        message.count = b.count;
        message.stretches[0] = b.first;
        EXPECT_FALSE(readBurst(message, b.size, stretches)) << b.what;
    }
    BurstMessage foreign = good;
    foreign.magic = 0x31465249;
    EXPECT_FALSE(readBurst(foreign, burstMessageSize(2), stretches)) << "a message of another kind";
}

// A burst that arrives after its own start is moved whole past the moments
// the line was already asked about, as the edge record moves it: neither
// rewrites what it told, and the header is not cut short.
TEST(VirtualReceiverLine, ALateBurstBeginsWholeAfterTheLastMomentAskedAbout) {
    const auto frame = irframe::ordinaryFrame(2, {4, -4, false, false});
    Line line;
    EXPECT_FALSE(line.lowAt(10 * MS));
    ASSERT_TRUE(line.schedule(burst(frame), 9 * MS)) << "sent for 1 ms ago";
    EXPECT_EQ(line.lastStart(), 10 * MS + 1);
    const Reading r = read(sample(line, 10 * MS, 60 * MS));
    EXPECT_TRUE(r.header) << "the header was cut short";
    EXPECT_EQ(r.bits, frame);
}

// Bursts over by the time the line forgets are gone, whether or not their
// level was ever asked; the quiet stretch after them still holds.
TEST(VirtualReceiverLine, ForgetsBurstsThatAreOverEvenIfNeverAsked) {
    const auto frame = burst(irframe::ordinaryFrame(0, {0, 0, false, false}));
    Line line;
    for (int64_t k = 0; k < 1000; ++k) {
        ASSERT_TRUE(line.schedule(frame, k * 40 * MS));
        line.forgetBefore(k * 40 * MS);
    }
    EXPECT_LE(line.pendingFrames(), 1u);
    const int64_t end = 999 * 40 * MS + irframe::durationUs(irframe::pulseTrain(irframe::ordinaryFrame(0, {0, 0, false, false}), 0)) * US;
    line.forgetBefore(end);
    EXPECT_EQ(line.pendingFrames(), 0u);
    ASSERT_TRUE(line.schedule(frame, end));
    EXPECT_EQ(line.lastStart(), end + Line::MIN_QUIET_NS) << "the quiet stretch after a forgotten burst";
}

TEST(VirtualReceiverLine, AnswersRightWhenAskedAboutAnEarlierMoment) {
    Line line;
    line.schedule(burst(irframe::ordinaryFrame(0, {0, 0, false, false})), 0);
    EXPECT_FALSE(line.lowAt(2700 * US)) << "the first gap";
    EXPECT_TRUE(line.lowAt(1000 * US)) << "back in the header";
}

}  // namespace
