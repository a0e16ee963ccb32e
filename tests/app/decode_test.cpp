// One receive step: frame -> pulse train -> capture -> decoding -> the
// controller's record, its display row and its sound calls.
#include <gtest/gtest.h>

#include "app/ir_decode.h"
#include "app/runtime_error.h"
#include "receive_fixture.h"

namespace rumblet::testing {
namespace {

using irframe::IrFrame;

class DecodeTest : public MainFormTest {
protected:
    void SetUp() override {
        form.running = 1;
        form.diagnose = 1;
    }
    int soundCalls(const std::string& call) const {
        return static_cast<int>(std::count(log.begin(), log.end(), call));
    }
};

TEST(Bitzudez, ReadsBitsAsABinaryNumberFirstIndexMostSignificant) {
    const std::array<int16_t, 18> bits = frameOf("0 10 0 1011 0 0000 00000");
    EXPECT_EQ(bitzudez(bits, 1, 2), 2);
    EXPECT_EQ(bitzudez(bits, 4, 7), 11);
    EXPECT_EQ(bitzudez(bits, 4, 4), 1);
    EXPECT_EQ(bitzudez(bits, 7, 4), 0) << "anfang after ende";
    EXPECT_THROW(bitzudez(bits, 0, 18), RuntimeError);
    std::array<int16_t, 18> ones{};
    ones.fill(1);
    EXPECT_EQ(bitzudez(ones, 3, 17), 32767) << "fifteen bits fit a 16-bit integer";
    EXPECT_THROW(bitzudez(ones, 2, 17), RuntimeError) << "sixteen would wrap";
}

TEST(DiagnosticText, IsABlankAndADigitPerBitUnderTheRuler) {
    const auto text = diagnosticText(frameOf("0 11 00000 00000 0001 1"));
    EXPECT_EQ(text, " 0 1 1 0 0 0 0 0 0 0 0 0 0 0 0 0 1 1");
    EXPECT_EQ(text.size(), 36u);
}

TEST_F(DecodeTest, FrameWithBitZeroSetIsIgnoredAndTheNextOneCapturedAtOnce) {
    line.send(irframe::pulseTrain(frameOf("1 01 00011 00000 0000 p"), 5000));
    line.send(irframe::pulseTrain(frameOf("0 11 00010 00000 0000 p"), 5000));
    form.IR();
    EXPECT_EQ(data.controllers[1].watchdog, 0) << "the invalid frame changed nothing";
    EXPECT_EQ(data.controllers[1].speed1, 0);
    EXPECT_EQ(data.controllers[3].speed1, 2);
}

TEST_F(DecodeTest, InvalidFrameEndsTheStepWhenTheLoopWasStopped) {
    form.running = 0;
    line.send(irframe::pulseTrain(frameOf("1 01 00011 00000 0000 p"), 5000));
    line.send(irframe::pulseTrain(frameOf("0 11 00010 00000 0000 p"), 5000));
    form.IR();
    EXPECT_EQ(data.controllers[3].speed1, 0) << "no second capture once running is 0";
}

TEST_F(DecodeTest, ControllerNumberComesFromBitsOneAndTwo) {
    receive(frameOf("0 10 00011 00000 0000 p"));
    EXPECT_EQ(data.controllers[2].speed1, 3);
    EXPECT_EQ(data.controllers[2].watchdog, 1);
    EXPECT_EQ(data.currentcontroller, 2);
}

TEST_F(DecodeTest, StartFramePairAnnouncesModelAndStartsTheEngine) {
    receive(frameOf("0 01 0 0011 000 0 1 1 0 0 0 p"));  // model 16 + 3
    EXPECT_EQ(data.controllers[1].enginestate, 147);
    EXPECT_EQ(soundCalls("enginestart 1"), 1);
    EXPECT_EQ(soundCalls("soundauswerten 1"), 0) << "a first start frame is not a drive frame";
    EXPECT_EQ(form.Text2[1].text, "Text2") << "nothing is shown yet";

    receive(frameOf("0 01 0 0000 000 0 0 1 0 0 1 p"));
    EXPECT_EQ(data.controllers[1].enginestate, 19);
    EXPECT_EQ(form.Text2[1].text, "19");
    EXPECT_EQ(soundCalls("soundauswerten 1"), 0);
}

TEST_F(DecodeTest, SecondStartFrameShowsModeAndCrew) {
    struct Case {
        const char* frame;  // the second start frame of controller 0
        const char* mode;
        const char* crew;
        int16_t newmodel;
    };
    for (const Case c : {
             Case{"0 00 0 0000 000 0 0 1 0 0 1 p", "Training", "Team   Old", 0},
             Case{"0 00 0 0001 000 1 0 1 0 0 1 p", "Munition", "Singel  Old", 0},
             Case{"0 00 0 1100 000 0 1 1 0 0 1 p", "Ladezeit", "Team   New", 1},
             Case{"0 00 0 1101 000 1 1 1 0 0 1 p", "Ladezeit", "Singel  New", 1},
         }) {
        SCOPED_TRACE(c.frame);
        data.controllers[0].enginestate = 0;
        receive(frameOf("0 00 0 0101 000 0 0 1 0 0 0 p"));
        receive(frameOf(c.frame));
        EXPECT_EQ(form.Text3[0].text, c.mode);
        EXPECT_EQ(form.Text4[0].text, c.crew);
        EXPECT_EQ(data.controllers[0].newmodel, c.newmodel);
        EXPECT_EQ(data.controllers[0].enginestate, 5);
        EXPECT_EQ(form.Text2[0].text, "5");
    }
}

TEST_F(DecodeTest, SecondStartFrameWithoutTheFirstIsTakenAsAFirstOne) {
    receive(frameOf("0 10 0 1101 000 0 1 1 0 0 1 p"));
    EXPECT_EQ(data.controllers[2].enginestate, 128 + 16 + 13);
    EXPECT_EQ(soundCalls("enginestart 2"), 1);
    EXPECT_EQ(form.Text4[2].text, "Text4");
}

TEST_F(DecodeTest, ModelZeroNeverRuns) {
    receive(frameOf("0 11 0 0000 000 0 0 1 0 0 0 p"));
    EXPECT_EQ(data.controllers[3].enginestate, 128);
    data.controllers[3].speed1 = 7;
    receive(frameOf("0 11 0 1100 000 0 0 1 0 0 1 p"));
    EXPECT_EQ(data.controllers[3].enginestate, 128) << "128 is not above 128";
    EXPECT_EQ(form.Text4[3].text, "Text4");
    EXPECT_EQ(soundCalls("soundauswerten 3"), 1) << "taken as an ordinary frame";
    EXPECT_EQ(data.controllers[3].speed1, 7) << "bit 13 keeps the speeds";
}

TEST_F(DecodeTest, DriveFrameSetsSignedSpeedsAndTheirDisplay) {
    receive(frameOf("0 01 10101 00011 0000 p"));
    EXPECT_EQ(data.controllers[1].speed1, -5);
    EXPECT_EQ(data.controllers[1].speed2, 3);
    EXPECT_EQ(form.Text7[1].text, "-5");
    EXPECT_EQ(form.Text6[1].text, "3");
    EXPECT_EQ(form.Text1[1].text, diagnosticText(frameOf("0 01 10101 00011 0000 p")));
    EXPECT_EQ(soundCalls("soundauswerten 1"), 1);
}

TEST_F(DecodeTest, ShotAndTurretOnlyWithoutSpeedOneAndWithoutStartBit) {
    struct Case {
        const char* frame;  // controller 0; speeds start at 7 / -7
        int16_t shot, turret, speed1, speed2;
    };
    for (const Case c : {
             Case{"0 00 00000 00000 0 1 0 0 p", 1, 0, 7, -7},   // fire: speeds kept
             Case{"0 00 00000 00100 0 0 0 0 p", 0, 0, 0, 4},    // drive frame clears the shot
             Case{"0 00 00000 00000 0 0 0 1 p", 0, 1, 7, -7},   // turret, bit 16
             Case{"0 00 00000 00000 0 0 1 0 p", 0, 1, 7, -7},   // turret, bit 15
             Case{"0 00 00011 00000 0 1 1 0 p", 5, 0, 7, -7},   // speed 1 set: no shot, no turret
             Case{"0 00 00000 00000 1 1 1 0 p", 5, 0, 7, -7},   // start bit: no shot, no turret
         }) {
        SCOPED_TRACE(c.frame);
        controller& rec = data.controllers[0];
        rec.enginestate = 5;  // running, so a start bit is no first start frame
        rec.shotrequest = 5;
        rec.turretstate = 0;
        rec.speed1 = 7;
        rec.speed2 = -7;
        receive(frameOf(c.frame));
        EXPECT_EQ(rec.shotrequest, c.shot);
        EXPECT_EQ(rec.turretstate, c.turret);
        EXPECT_EQ(rec.speed1, c.speed1);
        EXPECT_EQ(rec.speed2, c.speed2);
    }
}

TEST_F(DecodeTest, SoundDecisionSeesTheUpdatedRecordAndMayClearTheTurretBits) {
    int16_t speedSeen = 0;
    sounds.onSoundauswerten = [&](std::array<int16_t, 18>& bits, int16_t n) {
        speedSeen = data.controllers[n].speed2;
        bits[15] = bits[16] = 0;
    };
    receive(frameOf("0 00 00000 00000 0 0 1 1 p"));
    EXPECT_EQ(form.bits[15], 0);
    EXPECT_EQ(form.Text1[0].text, diagnosticText(frameOf("0 00 00000 00000 0 0 1 1 p")))
        << "the display shows the frame as received";
    receive(frameOf("0 00 00000 11001 0000 p"));
    EXPECT_EQ(speedSeen, -9);
}

TEST_F(DecodeTest, DiagnosticDisplayOffFreezesRawBitsAndSpeeds) {
    receive(frameOf("0 01 00011 00010 0000 p"));
    form.diagnose = 0;
    receive(frameOf("0 01 10001 10001 0000 p"));
    EXPECT_EQ(data.controllers[1].speed1, -1);
    EXPECT_EQ(form.Text7[1].text, "3");
    EXPECT_EQ(form.Text6[1].text, "2");
    EXPECT_EQ(form.Text1[1].text, diagnosticText(frameOf("0 01 00011 00010 0000 p")));
}

TEST_F(DecodeTest, EncodedFramesDecodeToWhatTheyCommand) {
    for (int n = 0; n < 4; ++n) {
        for (const irframe::Command cmd : {irframe::Command{-15, 15}, irframe::Command{0, -1},
                                           irframe::Command{9, 0}}) {
            receive(irframe::ordinaryFrame(n, cmd));
            EXPECT_EQ(data.controllers[n].speed1, cmd.speed1);
            EXPECT_EQ(data.controllers[n].speed2, cmd.speed2);
        }
        receive(irframe::ordinaryFrame(n, {0, 0, true, false}));
        EXPECT_EQ(data.controllers[n].shotrequest, 1);
        receive(irframe::firstStartFrame(n, 21));
        receive(irframe::secondStartFrame(n, {irframe::Mode::Munition, true, true}));
        EXPECT_EQ(data.controllers[n].enginestate, 21);
        EXPECT_EQ(form.Text3[n].text, "Munition");
        EXPECT_EQ(form.Text4[n].text, "Singel  New");
    }
}

// --- the watchdog

TEST_F(DecodeTest, FirstTickBeforeAnyFrameShowsBreakInEveryRow) {
    form.Timer2.tick();
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(form.Text4[n].text, "Break");
        EXPECT_EQ(form.Text1[n].text, "");
        EXPECT_EQ(form.Text2[n].text, "");
        EXPECT_EQ(form.Text3[n].text, "");
    }
    EXPECT_EQ(soundCalls("enginestop 0"), 0) << "no engine runs";
}

// A running controller, and one that only sent its first start frame: both
// count their ticks, and both are declared gone with the engine stop.
TEST_F(DecodeTest, RunningControllerIsDeclaredGoneOnTheFourthTickWithoutFrames) {
    struct Case {
        const char* what;
        bool secondStartFrame;
        int16_t enginestate;
    };
    for (const Case& c : {Case{"running", true, 6}, Case{"only announced", false, 134}}) {
        SCOPED_TRACE(c.what);
        log.clear();
        receive(irframe::firstStartFrame(2, 6));
        if (c.secondStartFrame) receive(irframe::secondStartFrame(2, {}));
        EXPECT_EQ(data.controllers[2].enginestate, c.enginestate);
        const std::string row = form.Text4[2].text;
        if (c.secondStartFrame) EXPECT_EQ(row, "Team   Old");
        for (int tick = 1; tick <= 3; ++tick) {
            form.Timer2.tick();
            EXPECT_EQ(data.controllers[2].watchdog, tick + 1);
            EXPECT_EQ(form.Text4[2].text, row) << "counting, not gone";
        }
        form.Timer2.tick();
        EXPECT_EQ(form.Text4[2].text, "Break");
        EXPECT_EQ(data.controllers[2].enginestate, 0);
        EXPECT_EQ(data.controllers[2].watchdog, 0);
        EXPECT_EQ(soundCalls("enginestop 2"), 1);

        form.Timer2.tick();
        EXPECT_EQ(soundCalls("enginestop 2"), 1) << "the stop is played once";
    }
    receive(irframe::firstStartFrame(2, 6));
    EXPECT_EQ(data.controllers[2].enginestate, 134) << "a later start frame starts it again";
}

// Frames every 100 ms for a second, then none: the row shows "Break" and the
// engine jumps to its stop 1.5 to 2 s after the last frame began. (A tick
// that falls due while a frame is timed runs right after it.)
TEST_F(DecodeTest, SilentControllerShowsBreakBetweenOneAndAHalfAndTwoSeconds) {
    line.pollCostUs = 5;
    window.attach(form);
    form.com1();
    line.sendAt(100000, irframe::pulseTrain(irframe::firstStartFrame(1, 3), 0));
    line.sendAt(150000, irframe::pulseTrain(irframe::secondStartFrame(1, {}), 0));
    const int64_t lastFrameAt = 1000000;
    for (int64_t t = 200000; t <= lastFrameAt; t += 100000) {
        line.sendAt(t, irframe::pulseTrain(irframe::ordinaryFrame(1, {2, 2}), 0));
    }
    line.sendAt(4000000, irframe::pulseTrain(irframe::firstStartFrame(1, 3), 0));

    int64_t breakAt = 0, stopAt = 0;
    form.Text4[1].changed = [&] {
        if (form.Text4[1].text == "Break" && line.now > lastFrameAt && breakAt == 0) breakAt = line.now;
    };
    window.onYield = [&] {
        if (stopAt == 0 && std::count(log.begin(), log.end(), "enginestop 1")) stopAt = line.now;
    };

    form.Command4_Click();  // ends with the 12 s no-controller timeout

    ASSERT_GT(breakAt, 0);
    EXPECT_GE(breakAt - lastFrameAt, 1500000);
    EXPECT_LE(breakAt - lastFrameAt, 2000000);
    EXPECT_EQ(stopAt, breakAt) << "the engine-stop phase comes with the Break";
    EXPECT_EQ(soundCalls("enginestart 1"), 2) << "the later start frame starts it again";
    EXPECT_EQ(window.messages, std::vector<std::string>{"        Kein Kontroller!"});
}

}  // namespace
}  // namespace rumblet::testing

namespace rumblet::testing {
namespace {

// The receive step over a port that records its line's edges.
class ReceiveOverEdgesTest : public MainFormTest {
protected:
    void SetUp() override {
        line.recordsEdges = true;
        form.running = 1;
    }
    void sendAt(int64_t us, int controller) {
        line.sendAt(us, irframe::pulseTrain(irframe::ordinaryFrame(controller, {3, -2, false, false}), 0));
    }
    std::vector<std::string> decisions() const { return logOf({"soundauswerten"}); }

    // The window thread held (a message box, the sound editor) in the first
    // yield of the receive step: line recorded meanwhile is replayed
    // afterwards as long as it is at most two seconds old. Frames for
    // controller 1 at 0.1 s and for controller 2 at 1.4 s.
    std::vector<std::string> decidedAfterHold(int64_t holdUs) {
        bool holding = true;
        window.onYield = [&] {
            if (holding) line.now += holdUs;
            holding = false;
        };
        sendAt(100'000, 1);
        sendAt(1'400'000, 2);
        line.high(20'000);
        form.IR();
        form.IR();
        return decisions();
    }
};

TEST_F(ReceiveOverEdgesTest, FrameArrivingWhileTheWindowIsHeldIsKept) {
    EXPECT_EQ(decidedAfterHold(1'500'000), (std::vector<std::string>{"soundauswerten 1", "soundauswerten 2"}));
}

TEST_F(ReceiveOverEdgesTest, LineHeldBackLongerThanTwoSecondsIsDropped) {
    EXPECT_EQ(decidedAfterHold(3'000'000), std::vector<std::string>{"soundauswerten 2"});
}

// The loss is read with the whole backlog after the hold, but it belongs to
// the second frame: the first is decided, the second rejected.
TEST_F(ReceiveOverEdgesTest, ChangesLostInABacklogRejectTheFrameTheyBelongTo) {
    line.loseChanges(1'410'000, 1'411'000);
    EXPECT_EQ(decidedAfterHold(1'500'000), std::vector<std::string>{"soundauswerten 1"});
}

// A port that stops telling how far it knows the line is polled instead:
// the window is never held by a wait for it.
TEST_F(ReceiveOverEdgesTest, PortThatStopsTellingIsPolledInstead) {
    line.stallsAt = 50'000;
    sendAt(2'000'000, 1);
    line.high(20'000);
    form.IR();
    EXPECT_EQ(decisions(), std::vector<std::string>{"soundauswerten 1"});
    EXPECT_EQ(line.realtime, (std::vector<int32_t>{-1, 0})) << "the frame was polled, at real-time priority";
}

TEST_F(ReceiveOverEdgesTest, FrameWithLostChangesIsSkippedAndAGoneReceiverEndsTheLoop) {
    sendAt(10'000, 1);
    sendAt(60'000, 2);
    line.high(20'000);
    line.loseChanges(20'000, 21'000);  // inside the first frame
    form.IR();
    EXPECT_EQ(decisions(), std::vector<std::string>{"soundauswerten 2"});

    line.receiverGoneAt = line.now;
    form.IR();
    EXPECT_EQ(window.messages, std::vector<std::string>{"       No IR-Hardware !!"});
    EXPECT_EQ(form.running, 0);
    EXPECT_EQ(decisions().size(), 1u);
}

// The receive loop on a polled line and over the same line's edges: after
// a pause, every frame of the next drive is decided on both.
class ReceiveOnBothLines : public MainFormTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        line.recordsEdges = GetParam();
        form.com1();
    }
    // Frames for controller 1 every 40 ms from `from`, speed1 counting up.
    void drive(int64_t from, int16_t firstSpeed, int count) {
        for (int i = 0; i < count; ++i) {
            const int16_t speed = static_cast<int16_t>(firstSpeed + i);
            line.sendAt(from + 40'000 * i, irframe::pulseTrain(irframe::ordinaryFrame(1, {speed, 0}), 0));
        }
    }
};
INSTANTIATE_TEST_SUITE_P(, ReceiveOnBothLines, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ReplayedFromEdges" : "Polled"; });

TEST_P(ReceiveOnBothLines, EveryFrameOfTheDriveAfterAPauseIsDecided) {
    enum Pause { RestAfterOff, SoundEditorDuringTheLoop, Com2WithoutEdgesChosen };
    for (const Pause pause : {RestAfterOff, SoundEditorDuringTheLoop, Com2WithoutEdgesChosen}) {
        SCOPED_TRACE(pause);
        line.portWithoutEdges = 2;
        std::vector<int16_t> decided;
        sounds.onSoundauswerten = [&](auto&, int16_t n) {
            decided.push_back(data.controllers[n].speed1);
            if (decided.size() == 8) form.Command2_Click();
        };
        const auto secondDrive = [&] { drive(line.now + 100'000, 4, 5); };
        drive(line.now + 100'000, 1, 3);
        window.at(line.now + 300'000, [&] {
            if (pause == RestAfterOff) form.Command2_Click();
            if (pause == SoundEditorDuringTheLoop) form.Command3_Click();
            if (pause == Com2WithoutEdgesChosen) {
                form.Check2.click();
                secondDrive();
            }
        });
        window.onEditor = [&] {
            line.now += 20'000'000;
            form.restartMillisecondStopwatch();  // what the editor does when it closes
            secondDrive();
        };
        form.Command4_Click();
        if (pause == RestAfterOff) {
            line.now += 20'000'000;
            secondDrive();
            form.Command4_Click();
        }
        EXPECT_EQ(decided, (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
        for (const auto& message : window.messages) EXPECT_EQ(message, "        Kein Kontroller!");
        window.messages.clear();
        form.com1();
    }
}

}  // namespace
}  // namespace rumblet::testing
