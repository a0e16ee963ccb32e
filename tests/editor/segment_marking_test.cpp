// The preview and the marking of engine segments: the position sliders, the
// segment loop, Stopsound and PlayLoop.
#include <gtest/gtest.h>

#include "soundedit_fixture.h"

namespace rumblet::testing {
namespace {

class SegmentMarking : public SoundeditFixture {
protected:
    void SetUp() override {
        SoundeditFixture::SetUp();
        addFile("dsound/tank.wav");
        addFile("dsound/Schuss/bang.wav");
        log->sounds["tank.wav"].bytes = 10000;
        data.controllers[0].enginesound.file = "tank.wav";
        data.controllers[0].shotsound.file = "bang.wav";
        auto& p = data.controllers[0].positions;
        p[MOTORSTART] = {0, 1000};
        p[MOTORLEERLAUFSTART] = {1000, 3000};
        p[BESCHLEUNIGEN] = {3000, 4500};
        open();
    }
    segment& positions(int s) { return data.controllers[0].positions[s]; }
    void expectSliders(int32_t start, int32_t end) {
        EXPECT_EQ(editor->Slider1[0].value, start);
        EXPECT_EQ(editor->Slider1[1].value, end);
        EXPECT_EQ(editor->Label4[0].caption, std::to_string(start));
        EXPECT_EQ(editor->Label4[1].caption, std::to_string(end));
    }
};

TEST_F(SegmentMarking, AnUnmarkedSegmentBeginsWhereTheSelectedOneEnds) {
    click(editor->Option3, BESCHLEUNIGEN);
    click(editor->Option3, FAHREN);

    EXPECT_EQ(positions(FAHREN).start, 4500);
    EXPECT_EQ(positions(FAHREN).end, 4500);
    expectSliders(4500, 4500);
    EXPECT_EQ(preview()->position(), 4500);
    EXPECT_EQ(editor->currentSegment(), FAHREN);
}

TEST_F(SegmentMarking, MarkedSegmentsAndMotorstartAreNeverCopiedOver) {
    click(editor->Option3, BESCHLEUNIGEN);
    click(editor->Option3, MOTORLEERLAUFSTART);
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).start, 1000);
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).end, 3000);

    positions(MOTORSTART) = {0, 0};
    click(editor->Option3, MOTORSTART);
    EXPECT_EQ(positions(MOTORSTART).start, 0);
    EXPECT_EQ(positions(MOTORSTART).end, 0);
    expectSliders(0, 0);
}

TEST_F(SegmentMarking, SegmentChoiceDoesNothingOutsideTheEngineCategory) {
    click(editor->Option2, CATEGORY_SHOT);
    click(editor->Option3, FAHREN);
    EXPECT_EQ(positions(FAHREN).start, 0);
    EXPECT_EQ(editor->currentSegment(), MOTORSTART);
}

TEST_F(SegmentMarking, TheStartIsPulledBackToTheEndAndTheEndStays) {
    click(editor->Option3, MOTORLEERLAUFSTART);

    editor->Slider1[0].userMove(3500);  // start dragged past the end
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).start, 3000);
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).end, 3000);
    expectSliders(3000, 3000);

    editor->Slider1[1].userMove(2000);  // end dragged below the start
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).start, 2000);
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).end, 2000);
    expectSliders(2000, 2000);

    editor->Slider1[1].userMove(7000);
    editor->Slider1[0].userMove(1500);
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).start, 1500);
    EXPECT_EQ(positions(MOTORLEERLAUFSTART).end, 7000);
}

TEST_F(SegmentMarking, SlidersIgnoreTheUserOutsideTheEngineCategory) {
    click(editor->Option2, CATEGORY_SHOT);
    editor->Slider1[1].userMove(0);
    EXPECT_EQ(positions(MOTORSTART).end, 1000);
}

TEST_F(SegmentMarking, MovingASliderSendsAPreviewPastTheNewEndBack) {
    preview()->setPlayCursor(800);
    editor->Slider1[1].userMove(600);
    EXPECT_EQ(preview()->position(), 0);
    EXPECT_TRUE(preview()->playing());
}

struct LengthCase {
    int32_t length;
    int32_t tick;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << "length " << c.length; }

class SliderLength : public SegmentMarking, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(SliderLength, BothSlidersSpanTheSoundWithATickEveryTwentieth) {
    const LengthCase& c = GetParam();
    editor->soundlaengeausgeben(c.length);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(editor->Slider1[i].min, 0);
        EXPECT_EQ(editor->Slider1[i].max, c.length);
        EXPECT_EQ(editor->Slider1[i].tickFrequency, c.tick);
    }
    EXPECT_EQ(editor->Slider1[1].value, c.length);
    EXPECT_EQ(editor->Label4[1].caption, std::to_string(c.length));
    EXPECT_EQ(editor->Label4[0].caption, std::to_string(editor->Slider1[0].value));
    EXPECT_LE(editor->Slider1[0].value, c.length);
}

INSTANTIATE_TEST_SUITE_P(Lengths, SliderLength,
                         ::testing::Values(LengthCase{10000, 500}, LengthCase{30, 2},  // 1.5 -> 2
                                           LengthCase{50, 2},                          // 2.5 -> 2
                                           LengthCase{70, 4},                          // 3.5 -> 4
                                           LengthCase{9, 0}, LengthCase{0, 0},
                                           LengthCase{1234567, 61728}));

TEST_F(SegmentMarking, StoredValuesOutsideTheSoundShowAtTheNearestEnd) {
    positions(BREMSEN) = {-50, 20000};
    editor->Anzeigeslider(0, BREMSEN);
    expectSliders(0, 10000);
    EXPECT_EQ(positions(BREMSEN).start, -50) << "showing never changes the stored value";
}

TEST_F(SegmentMarking, TheTimerSendsTheCursorBackOncePastTheSegmentEnd) {
    struct Step {
        int32_t cursor;
        int32_t afterTick;
    };
    for (Step s : {Step{500, 500}, Step{1000, 1000}, Step{1001, 0}, Step{9000, 0}}) {
        preview()->setPlayCursor(s.cursor);
        editor->Timer1.tick();
        EXPECT_EQ(preview()->position(), s.afterTick) << "cursor at " << s.cursor;
    }
    EXPECT_EQ(system.sleptMs, 4) << "each tick sleeps 1 ms";
}

TEST_F(SegmentMarking, AnEmptySegmentMakesThePreviewStutterAtTheStart) {
    positions(MOTORSTART) = {0, 0};
    preview()->setPlayCursor(1);
    log->clear();
    editor->Timer1.tick();
    editor->Timer1.tick();  // the fake's cursor does not move: stays at 0
    preview()->setPlayCursor(1);
    editor->Timer1.tick();
    EXPECT_EQ(countEvent("tank.wav Play(0)"), 2);
}

TEST_F(SegmentMarking, OutsideTheEngineCategoryTheTimerOnlySleeps) {
    click(editor->Option2, CATEGORY_SHOT);
    editor->Command2_Click();
    preview()->setPlayCursor(99999);
    editor->Timer1.tick();
    EXPECT_EQ(preview()->position(), 99999);
    EXPECT_TRUE(preview()->looping());
    EXPECT_EQ(system.sleptMs, 1);
}

TEST_F(SegmentMarking, StopsoundRewindsAndPlayLoopLoopsFromThere) {
    preview()->setPlayCursor(700);
    editor->Command1_Click();
    EXPECT_FALSE(preview()->playing());
    EXPECT_EQ(preview()->position(), 0);
    EXPECT_TRUE(editor->Command2.enabled);
    editor->Timer1.tick();
    EXPECT_FALSE(preview()->playing()) << "a rewound preview stays silent";

    editor->Command2_Click();
    EXPECT_TRUE(preview()->playing());
    EXPECT_TRUE(preview()->looping());
    EXPECT_FALSE(editor->Command2.enabled);
    EXPECT_TRUE(editor->Command1.enabled);

    click(editor->Option2, CATEGORY_SHOT);
    EXPECT_TRUE(editor->Command2.enabled) << "the next load enables PlayLoop again";
}

TEST_F(SegmentMarking, ChoosingASegmentMovesAPlayingPreviewWithoutRestartingIt) {
    log->clear();
    click(editor->Option3, MOTORLEERLAUFSTART);
    EXPECT_EQ(preview()->position(), 1000);
    EXPECT_EQ(countEvent("tank.wav Play(0)"), 0);
}

}  // namespace
}  // namespace rumblet::testing
