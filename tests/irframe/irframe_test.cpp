// Building IR frames and their pulse trains, checked against frames written
// bit by bit.
#include <gtest/gtest.h>

#include "irframe/irframe.h"
#include "frame_text.h"

namespace rumblet::testing {
namespace {

using namespace irframe;

TEST(IrFrameBuilder, WritesEveryFieldWhereTheReceiverReadsIt) {
    struct Case {
        IrFrame built;
        const char* expected;
    };
    for (const Case c : {
             Case{firstStartFrame(2, 19), "0 10 0 0011 0000 1 1 000 1"},
             Case{firstStartFrame(0, 0), "0 00 0 0000 0000 0 1 000 1"},
             Case{secondStartFrame(1, {Mode::Ladezeit, false, true}), "0 01 0 1100 0000 1 1 001 0"},
             Case{secondStartFrame(3, {Mode::Munition, true, false}), "0 11 0 0001 0001 0 1 001 0"},
             Case{ordinaryFrame(1, {-5, 3}), "0 01 1 0101 0 0011 0000 0"},
             Case{ordinaryFrame(3, {15, -15}), "0 11 0 1111 1 1111 0000 1"},
             Case{ordinaryFrame(0, {0, 0, true, true}), "0 00 0 0000 0 0000 0110 0"},
         }) {
        EXPECT_EQ(c.built, frameOf(c.expected)) << c.expected;
    }
}

TEST(IrFrameBuilder, EveryFrameHasAnEvenNumberOfOnes) {
    for (int n = 0; n < 4; ++n) {
        for (int speed = -15; speed <= 15; ++speed) {
            const IrFrame frame = ordinaryFrame(n, {speed, -speed, speed == 0, speed > 7});
            int ones = 0;
            for (int16_t bit : frame) ones += bit;
            EXPECT_EQ(ones % 2, 0) << "controller " << n << " speed " << speed;
        }
    }
}

TEST(IrFrameBuilder, RefusesValuesNoFrameCanCarry) {
    EXPECT_THROW(ordinaryFrame(4, {}), std::invalid_argument);
    EXPECT_THROW(ordinaryFrame(0, {16, 0}), std::invalid_argument);
    EXPECT_THROW(ordinaryFrame(0, {0, -16}), std::invalid_argument);
    EXPECT_THROW(firstStartFrame(0, 32), std::invalid_argument);
}

TEST(PulseTrain, HeaderThenAGapAndAPulsePerBitThenIdle) {
    const IrFrame frame = ordinaryFrame(2, {1, 0});
    const PulseTrain train = pulseTrain(frame, 7000);
    ASSERT_EQ(train.size(), 1u + 2u * 18u + 1u);
    EXPECT_TRUE(train.front().low);
    EXPECT_GT(train.front().microseconds, 2400);
    EXPECT_LT(train.front().microseconds, 2800) << "a header still low at 2800 us shifts the frame";
    for (int i = 0; i < 18; ++i) {
        const LineLevel gap = train[1 + 2 * i];
        const LineLevel pulse = train[2 + 2 * i];
        EXPECT_FALSE(gap.low);
        EXPECT_EQ(gap.microseconds > 750, frame[i] == 1) << "bit " << i;
        EXPECT_LT(gap.microseconds, 2200);
        EXPECT_TRUE(pulse.low);
    }
    EXPECT_FALSE(train.back().low);
    EXPECT_EQ(train.back().microseconds, 7000);
    EXPECT_EQ(durationUs(train), 2600 + 18 * 400 + 2 * 1100 + 16 * 400 + 7000);
}

}  // namespace
}  // namespace rumblet::testing
