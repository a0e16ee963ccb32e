// The virtual remote controls: which frames a remote sends and how often,
// and the scripts that play them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote.h"
#include "script.h"

namespace {

using namespace irremote;
namespace irframe = rumblet::irframe;

constexpr int64_t MS = 1'000'000;

// Every frame the remotes send in [0, untilMs), polled each millisecond.
std::vector<TimedFrame> framesUntil(Remote& remote, int64_t untilMs, int64_t fromMs = 0) {
    std::vector<TimedFrame> out;
    for (int64_t t = fromMs; t < untilMs; ++t)
        if (auto f = remote.nextFrame(t * MS)) out.push_back(*f);
    return out;
}

TEST(Remote, AnnouncesItselfWithBothStartFramesTwiceThenSendsItsTracks) {
    Remote remote;
    const Announcement a{Mode::Munition, true, true};
    remote.switchOn(2, 19, a);
    remote.setTracks(2, -4, 7);
    const auto frames = framesUntil(remote, 500);
    const irframe::IrFrame expected[] = {
        irframe::firstStartFrame(2, 19), irframe::firstStartFrame(2, 19),
        irframe::secondStartFrame(2, a), irframe::secondStartFrame(2, a),
        irframe::ordinaryFrame(2, {7, -4, false, false}),  // right track is speed1, left speed2
    };
    ASSERT_GE(frames.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(frames[i].frame, expected[i]) << "frame " << i;
        EXPECT_EQ(frames[i].controller, 2) << "frame " << i;
    }
}

// A real remote repeats its frame while a key is held; several remotes share
// the one IR line and so each sends less often.
TEST(Remote, PacesItsFramesByTheNumberOfRemotesOn) {
    const struct {
        int remotesOn;
        int64_t periodMs;  // between two frames of one remote
    } cases[] = {{1, 80}, {2, 80}, {3, 120}, {4, 160}};
    for (const auto& c : cases) {
        Remote remote;
        for (int n = 0; n < c.remotesOn; ++n) remote.switchOn(n, 1, {});
        const auto frames = framesUntil(remote, 2000);
        std::vector<int64_t> lastAt(4, -1);
        for (size_t i = 0; i < frames.size(); ++i) {
            const auto& f = frames[i];
            if (i > 0) {
                EXPECT_GE(f.atNs - frames[i - 1].atNs, Remote::LINE_SPACING_NS) << "frames crowd the line";
            }
            if (i >= size_t(c.remotesOn)) {
                EXPECT_EQ(f.atNs - lastAt[size_t(f.controller)], c.periodMs * MS)
                    << c.remotesOn << " remotes on, remote " << f.controller << " at " << f.atNs / MS << " ms";
            }
            lastAt[size_t(f.controller)] = f.atNs;
        }
        size_t expected = 0;  // remote n starts n line spacings late
        for (int n = 0; n < c.remotesOn; ++n) expected += size_t((2000 - 40 * n + c.periodMs - 1) / c.periodMs);
        EXPECT_EQ(frames.size(), expected) << c.remotesOn << " remotes on";
    }
}

// The program takes fire and turret only from frames without a first speed,
// and speeds only from frames without fire and turret: so those frames carry
// no speeds, and the tracks' frames come back afterwards.
TEST(Remote, SendsFireAndTurretInFramesOfTheirOwn) {
    Remote remote;
    remote.switchOn(0, 3, {});
    framesUntil(remote, 400);  // the start frames
    remote.setTracks(0, 5, 6);
    remote.fire(0);
    remote.setTurret(0, true);
    auto frames = framesUntil(remote, 600, 400);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[0].frame, irframe::ordinaryFrame(0, {0, 0, true, false})) << "the fire frame comes first";
    EXPECT_EQ(frames[1].frame, irframe::ordinaryFrame(0, {0, 0, false, true})) << "then turret frames";
    remote.setTurret(0, false);
    frames = framesUntil(remote, 700, 600);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].frame, irframe::ordinaryFrame(0, {6, 5, false, false})) << "then the tracks again";
}

TEST(Remote, SendsNothingWhenOffAndClampsTrackSpeeds) {
    Remote remote;
    remote.switchOn(1, 1, {});
    remote.switchOff(1);
    EXPECT_TRUE(framesUntil(remote, 1000).empty());
    remote.setTracks(1, 40, -40);
    EXPECT_EQ(remote.state(1).left, 15);
    EXPECT_EQ(remote.state(1).right, -15);
}

TEST(Script, ReadsEachCommandWithItsTime) {
    const Script s = parseScript(
        "# a short drive\n"
        "at 0.5 start 0 model 3 mode training single new\n"
        "at 1.0 drive 0 left 5 right -5 for 2.0\n"
        "fire 0\n"
        "turret 0 for 1.0   # turns while standing\n"
        "\n"
        "off 0\n"
        "silence 3.0\n");
    using K = ScriptAction::Kind;
    const struct {
        double at;
        K kind;
        std::string text;
    } expected[] = {
        {0.5, K::switchOn, "start 0 model 3 mode training single new"},
        {1.0, K::tracks, "drive 0 left 5 right -5"},
        {3.0, K::tracks, "drive 0 left 0 right 0"},
        {3.0, K::fire, "fire 0"},
        {3.0, K::turretOn, "turret 0"},
        {4.0, K::turretOff, "turret 0 stop"},
        {4.0, K::switchOff, "off 0"},
        {4.0, K::allOff, "silence"},
    };
    ASSERT_EQ(s.actions.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_DOUBLE_EQ(s.actions[i].atSeconds, expected[i].at) << expected[i].text;
        EXPECT_EQ(s.actions[i].kind, expected[i].kind) << expected[i].text;
        EXPECT_EQ(describe(s.actions[i]), expected[i].text);
    }
    EXPECT_DOUBLE_EQ(s.endSeconds, 7.0) << "the script ends after its silence";
}

TEST(Script, ReleasesKeysAfterForEvenWhenLaterLinesComeFirst) {
    const Script s = parseScript("at 1 drive 2 left 9 right 9 for 5\nat 2 fire 2\n");
    ASSERT_EQ(s.actions.size(), 3u);
    EXPECT_EQ(describe(s.actions[1]), "fire 2");
    EXPECT_EQ(describe(s.actions[2]), "drive 2 left 0 right 0");
    EXPECT_DOUBLE_EQ(s.actions[2].atSeconds, 6.0);
}

TEST(Script, NamesTheLineAndTheProblemOfABadScript) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"honk 0\n", "line 1: unknown command \"honk\""},
        {"fire 0\ndrive 0 left 16 right 0\n", "line 2: left speed 16 is outside -15..15"},
        {"fire 4\n", "line 1: controller 4 is outside 0..3"},
        {"at 2 fire 0\nat 1 fire 0\n", "line 2: at 1 lies before 2, the time of the line before"},
        {"start 0 model 3\n", "line 1: missing mode"},
        {"start 0 model 3 mode racing\n", "line 1: unknown mode \"racing\" (training, munition or ladezeit)"},
        {"fire 0 now\n", "line 1: unexpected \"now\""},
        {"silence soon\n", "line 1: duration \"soon\" is not a time in seconds"},
        {"at -1 fire 0\n", "line 1: time \"-1\" is not a time in seconds"},
        {"drive 0 left 1 right x\n", "line 1: right speed \"x\" is not a whole number"},
    };
    for (const auto& c : cases) {
        try {
            parseScript(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ScriptError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.text;
        }
    }
}

TEST(Script, PlaysItsActionsAsTheirTimeComes) {
    ScriptPlayer player(parseScript("at 0.2 start 1 model 2 mode training\nat 0.5 drive 1 left 3 right 4\nwait 1\n"));
    Remote remote;
    EXPECT_TRUE(player.advance(0.1, remote).empty());
    EXPECT_EQ(player.advance(0.3, remote).size(), 1u);
    EXPECT_TRUE(remote.state(1).on);
    EXPECT_EQ(player.advance(0.5, remote).size(), 1u);
    EXPECT_EQ(remote.state(1).left, 3);
    EXPECT_FALSE(player.finished(1.4)) << "the last wait is not over";
    EXPECT_TRUE(player.finished(1.5));
}

}  // namespace
