// The sound decisions for the frames of one controller, with the recording
// fake device: which buffer operations each frame leads to, in which order.
#include <gtest/gtest.h>

#include "tanksound/sound_engine.h"
#include "tanksound/testing/recording_sound.h"

namespace rumblet {
namespace {

using Calls = std::vector<std::string>;
using testing::recorded;

constexpr int32_t BASE = 11025;
constexpr std::array<segment, 6> SEGMENTS{
    {{0, 1000}, {1000, 3000}, {3000, 5000}, {5000, 8000}, {8000, 9000}, {9000, 10000}}};

class SoundDecisions : public ::testing::Test {
protected:
    std::shared_ptr<testing::SoundLog> log = std::make_shared<testing::SoundLog>();
    testing::RecordingSoundDevice device{log};
    ProgramData data;
    std::array<int16_t, 18> bits{};
    controller& r = data.controllers[1];

    void SetUp() override {
        r.enginesound.buffer = device.CreateSoundBufferFromFile("dsound/panzer.wav");
        r.enginesound.basefrequency = BASE;
        r.shotsound.buffer = device.CreateSoundBufferFromFile("dsound/Schuss/bang.wav");
        r.turretsound.buffer = device.CreateSoundBufferFromFile("dsound/Turm/turm.wav");
        r.positions = SEGMENTS;
    }
    testing::RecordingSoundBuffer& engine() { return *recorded(r.enginesound); }
    testing::RecordingSoundBuffer& shot() { return *recorded(r.shotsound); }
    testing::RecordingSoundBuffer& turret() { return *recorded(r.turretsound); }

    // One ordinary frame; returns the calls on `buffer` it led to.
    Calls frame(const SoundBuffer* buffer) {
        log->clear();
        soundauswerten(data, bits, 1);
        return log->callsOn(buffer);
    }
    Calls engineFrame() { return frame(r.enginesound.buffer.get()); }
};

TEST_F(SoundDecisions, AWholeRunOfOneController) {
    struct Step {
        const char* what;
        int16_t speed1;
        int32_t cursor;  // where the engine plays when the frame arrives
        Calls calls;
        int16_t phase;
        int32_t read;  // the play cursor the frame read
    };
    const Step run[] = {
        {"idle inside the loop", 0, 1500, {"GetCurrentPosition()", "SetFrequency(11025)"}, 0, 1500},
        {"idle at the loop's end", 0, 3000, {"GetCurrentPosition()", "SetFrequency(11025)"}, 0, 3000},
        {"idle past the loop's end", 0, 3001,
         {"GetCurrentPosition()", "SetFrequency(11025)", "SetCurrentPosition(1000)"}, 0, 3001},
        {"moving off", 5, 1200,
         {"SetFrequency(7962)", "SetCurrentPosition(3000)", "Play(0)", "GetCurrentPosition()"}, 2, 3000},
        {"accelerating into the driving loop", 15, 4000, {"SetFrequency(9188)", "GetCurrentPosition()"}, 2, 4000},
        {"driving at the loop's end", 15, 8000, {"SetFrequency(9188)", "GetCurrentPosition()"}, 2, 8000},
        {"driving past the loop's end", 15, 8001,
         {"SetFrequency(9188)", "GetCurrentPosition()", "SetCurrentPosition(5000)"}, 2, 8001},
        {"braking begins", 0, 6000, {"SetCurrentPosition(8000)", "GetCurrentPosition()"}, 1, 8000},
        {"braking at its end", 0, 9000, {"GetCurrentPosition()"}, 1, 9000},
        {"braking ran out into the idle loop", 0, 9001,
         {"GetCurrentPosition()", "SetFrequency(11025)", "SetCurrentPosition(1000)", "SetFrequency(11025)",
          "SetCurrentPosition(1000)"}, 0, 9001},
        {"idle again", 0, 1100, {"GetCurrentPosition()", "SetFrequency(11025)"}, 0, 1100},
    };
    log->clear();
    enginestart(data, 1);
    EXPECT_EQ(log->callsOn(&engine()), (Calls{"Play(0)"})) << "the start frame plays from where the buffer stands";
    for (const Step& s : run) {
        r.speed1 = s.speed1;
        engine().setPlayCursor(s.cursor);
        EXPECT_EQ(engineFrame(), s.calls) << s.what;
        EXPECT_EQ(r.phase, s.phase) << s.what;
        EXPECT_EQ(r.enginesound.playcursor, s.read) << s.what;
    }
    log->clear();
    enginestop(data, 1);
    EXPECT_EQ(log->callsOn(&engine()), (Calls{"SetCurrentPosition(9000)"})) << "the watchdog's jump to Motorstop";
    EXPECT_EQ(r.phase, 0);
}

TEST_F(SoundDecisions, TheSpeedSumAndItsFrequency) {
    struct Case {
        int16_t speed1, speed2, newmodel;
        int16_t sum;
        int32_t frequency;
    };
    const Case cases[] = {
        {1, 0, 1, 7, 8208},      {-2, -5, 0, 7, 8208},   {0, 0, 0, 0, 7350},     {1, 0, 0, 1, 7472},
        {3, 0, 0, 3, 7718},      {6, 0, 0, 6, 8085},     {15, 15, 0, 30, 11025}, {15, 15, 1, 36, 11760},
        {-15, -15, 1, 30, 11025}, {5, 0, 0, 5, 7962},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(engineSpeedSum(c.speed1, c.speed2, c.newmodel), c.sum)
            << c.speed1 << ", " << c.speed2 << ", new " << c.newmodel;
        EXPECT_EQ(engineFrequency(BASE, c.sum), c.frequency) << "S = " << c.sum;
    }
    EXPECT_EQ(engineFrequency(44100, 30), 44100);
    EXPECT_EQ(engineFrequency(22050, 1), 14945) << "14945 exactly: no rounding";
}

TEST_F(SoundDecisions, TheShotRestartsWhenStillPlayingAndOnlyThenClearsTheRequest) {
    r.shotrequest = 1;
    EXPECT_EQ(frame(&shot()), (Calls{"GetStatus()", "Play(0)"})) << "a silent shot plays";
    EXPECT_EQ(r.shotrequest, 1);
    shot().playOn(2000);
    r.speed1 = 4;  // a movement frame while the shot is still audible
    EXPECT_EQ(frame(&shot()), (Calls{"GetStatus()", "Stop()", "SetCurrentPosition(0)", "Play(0)"}));
    EXPECT_EQ(r.shotrequest, 0);
    EXPECT_EQ(frame(&shot()), Calls{}) << "no request, no shot";

    shot().playOn(log->standard.bytes);  // the shot has run out
    EXPECT_FALSE(shot().playing());
    EXPECT_EQ(shot().position(), 0);
    r.shotrequest = 1;
    EXPECT_EQ(frame(&shot()), (Calls{"GetStatus()", "Play(0)"}));
}

TEST_F(SoundDecisions, TheTurretLoopsWhileTurretFramesComeAndStopsAtTheFirstWithout) {
    for (int i = 0; i < 3; ++i) {
        r.turretstate = 1;  // each turret frame asks again
        bits[15] = bits[16] = 1;
        EXPECT_EQ(frame(&turret()), (Calls{"Play(1)"})) << "frame " << i;
        EXPECT_EQ(r.turretstate, 2);
        EXPECT_EQ(bits[15], 0);
        EXPECT_EQ(bits[16], 0);
    }
    EXPECT_TRUE(turret().looping());
    EXPECT_EQ(frame(&turret()), (Calls{"Stop()"}));
    EXPECT_EQ(r.turretstate, 0);
    EXPECT_EQ(frame(&turret()), Calls{});
}

TEST_F(SoundDecisions, SecondSpeedCountsOnlyWithoutTurret) {
    struct Case {
        const char* what;
        int16_t speed1, speed2, turretstate;
        bool drives;
    };
    const Case cases[] = {
        {"first speed", 3, 0, 0, true},
        {"first speed with turret", 3, 0, 1, true},
        {"second speed alone", 0, 4, 0, true},
        {"second speed, turret just started", 0, 4, 1, false},
        {"second speed, turret stopped by this frame", 0, 4, 2, true},
        {"no speed", 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        r.phase = 0;
        r.speed1 = c.speed1;
        r.speed2 = c.speed2;
        r.turretstate = c.turretstate;
        engineFrame();
        EXPECT_EQ(r.phase, c.drives ? 2 : 0) << c.what;
    }
}

TEST_F(SoundDecisions, AfterAGlobalStopWhileDrivingTheEngineStaysSilentUntilItBrakes) {
    r.speed1 = 8;
    engineFrame();
    soundstop(data);
    EXPECT_FALSE(engine().playing());
    EXPECT_EQ(engineFrame(), (Calls{"SetFrequency(8330)", "GetCurrentPosition()"})) << "no Play while driving on";
    r.speed1 = 0;
    engineFrame();
    r.speed1 = 8;
    EXPECT_EQ(engineFrame(), (Calls{"SetFrequency(8330)", "SetCurrentPosition(3000)", "Play(0)", "GetCurrentPosition()"}));
    EXPECT_TRUE(engine().playing());
}

TEST_F(SoundDecisions, TheGlobalStopStopsPlayingEnginesAndTheBackgroundOnly) {
    data.atmosound.buffer = device.CreateSoundBufferFromFile("dsound/atmo/wind.wav");
    auto& atmo = *recorded(data.atmosound);
    engine().Play(0);
    shot().Play(0);
    turret().Play(1);
    engine().setPlayCursor(4321);
    atmoplay(data);
    EXPECT_TRUE(atmo.looping());
    log->clear();
    soundstop(data);
    EXPECT_EQ(log->callsOn(&engine()), (Calls{"GetStatus()", "Stop()"}));
    EXPECT_EQ(log->callsOn(&atmo), (Calls{"GetStatus()", "Stop()"}));
    EXPECT_TRUE(shot().playing());
    EXPECT_TRUE(turret().playing());
    EXPECT_EQ(engine().position(), 4321) << "no position is reset";
    log->clear();
    soundstop(data);
    EXPECT_EQ(log->actionsOn(&engine()), Calls{}) << "a silent buffer is not stopped again";
    atmostop(data);
    EXPECT_EQ(log->actionsOn(&atmo), Calls{});
}

TEST_F(SoundDecisions, SlotsWithoutBufferAreSkippedButTheStateMovesOn) {
    r.enginesound.buffer.reset();
    r.shotsound.buffer.reset();
    r.turretsound.buffer.reset();
    r.shotrequest = 1;
    r.turretstate = 1;
    r.speed1 = 5;
    log->clear();
    soundauswerten(data, bits, 1);
    EXPECT_TRUE(log->calls.empty());
    EXPECT_EQ(r.phase, 2);
    EXPECT_EQ(r.turretstate, 2);
    EXPECT_EQ(r.shotrequest, 1);
    r.speed1 = 0;
    soundauswerten(data, bits, 1);
    EXPECT_EQ(r.phase, 1);
    EXPECT_EQ(r.turretstate, 0);
    enginestart(data, 1);
    enginestop(data, 1);
    soundstop(data);
    atmoplay(data);
    atmostop(data);
    EXPECT_TRUE(log->calls.empty());
}

TEST_F(SoundDecisions, AControllerNumberOutsideTheTableDoesNothing) {
    for (int16_t n : {int16_t{-1}, int16_t{4}, int16_t{200}}) {
        log->clear();
        soundauswerten(data, bits, n);
        enginestart(data, n);
        enginestop(data, n);
        EXPECT_TRUE(log->calls.empty()) << n;
    }
}

}  // namespace
}  // namespace rumblet
