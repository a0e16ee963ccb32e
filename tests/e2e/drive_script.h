// What tests/e2e/drive.irs does when, and what the recording of it must
// show, for every drive of it (the Linux program and rumblet.exe under Wine).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive_session.h"
#include "recording_checks.h"
#include "sound_analysis.h"

namespace e2e::drive_script {

// Script times (seconds from irremote's start).
inline constexpr double START_AT = 1.0;
inline constexpr double FIRE_AT[] = {23.0, 23.8, 24.6};
inline constexpr double TURRET_FROM = 26.0, TURRET_TO = 28.0;
inline constexpr double FRAMES_END = 29.0;
inline constexpr double OFF_AT = 37.5;  // OFF is clicked while the engine runs again
// Stretches of script time without sounds of their own, for comparison.
inline constexpr double QUIET_FROM = 20.0, QUIET_TO = 22.9;

// The engine's fundamental for a speed sum S: base x (2/3 + S/90), with
// S = |speed2 + 3 newmodel| + |speed1| + 3 newmodel, a new model here.
constexpr double engineHz(double speedSum) { return demo::ENGINE_FUNDAMENTAL_HZ * (2.0 / 3.0 + speedSum / 90.0); }

// Stretches of steady engine pitch, clear of accelerating and braking.
struct PitchPlateau {
    const char* what;
    double from, to;  // script seconds
    double hz;
};
inline constexpr PitchPlateau PITCH_PLATEAUS[] = {
    {"idle after the start", 2.8, 5.9, engineHz(30)},
    {"left 2 right 4, S = 12", 8.3, 10.9, engineHz(12)},
    {"left -3 right -3, S = 6", 11.4, 14.4, engineHz(6)},
    {"left 9 right 8, S = 23", 14.9, 17.9, engineHz(23)},
    {"standing after braking", 19.9, 22.9, engineHz(30)},
};

// Tests that look at one drive: it runs once, before the first of them;
// each fails at once when the drive itself did not come through.
template <typename Observed, Observed (*drive)()>
class OneDrive : public ::testing::Test {
protected:
    static void SetUpTestSuite() { observed_ = new Observed(drive()); }
    static void TearDownTestSuite() { delete observed_; }
    void SetUp() override { ASSERT_TRUE(o().problem.empty()) << o().problem; }
    static const Observed& o() { return *observed_; }

private:
    static inline Observed* observed_ = nullptr;
};

// The pitch that holds for most of each plateau counts, so that a stray
// frame's moment of braking or moving off does not.
inline void expectPitchPlateaus(const demo::Recording& recording, const DriveResult& drive) {
    for (const auto& p : PITCH_PLATEAUS) {
        const auto pitch = steadyEnginePitch(recording, drive.recordedAt(p.from), drive.recordedAt(p.to));
        ASSERT_TRUE(pitch.has_value()) << p.what << ": no engine pitch in the recording";
        EXPECT_NEAR(pitch->hz, p.hz, 0.02 * p.hz) << p.what;
        EXPECT_GE(pitch->share, 0.5) << p.what << ": the pitch held for only part of the stretch";
    }
}

// IR.ini was replaced just before the main window was closed: what is
// there now the program wrote as it ended.
inline void expectSettingsWrittenAtClose(const DriveResult& drive) {
    ASSERT_TRUE(drive.exitStatus.has_value()) << "rumblet did not end after its window was closed";
    EXPECT_EQ(*drive.exitStatus, 0);
    std::vector<std::string> lines;
    std::string s = drive.settingsAfterClose;
    for (size_t at; (at = s.find("\r\n")) != std::string::npos; s = s.substr(at + 2)) lines.push_back(s.substr(0, at));
    ASSERT_EQ(lines.size(), 27u) << "IR.ini after closing:\n" << drive.settingsAfterClose;
    EXPECT_EQ(lines[0], demo::ENGINE_FILE);
    EXPECT_EQ(lines[24], demo::BACKGROUND_FILE);
    EXPECT_EQ(lines[26], " 1 ") << "COM1";
}

}  // namespace e2e::drive_script
