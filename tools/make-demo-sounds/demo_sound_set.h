// The demo sound set: what it holds and where each engine segment lies.
//
// One place for the numbers that the generator writes and that the tests and
// the recording analysis check against: the sample format, the engine's
// fundamental, the segment layout and the file names of each category.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace demo {

// 16-bit mono at this rate for every sound of the set.
inline constexpr int SAMPLE_RATE = 22050;
inline constexpr int BYTES_PER_SAMPLE = 2;

// The engine's fundamental when played at its own rate: one engine cycle is
// exactly 210 samples, so every loop that holds a whole number of cycles
// joins its end to its start without a step.
inline constexpr int ENGINE_CYCLE_SAMPLES = 210;
inline constexpr double ENGINE_FUNDAMENTAL_HZ = double(SAMPLE_RATE) / ENGINE_CYCLE_SAMPLES;  // 105 Hz

// Highest engine harmonic. Even at the fastest playback (16/15 of the base)
// and the start segment's rev (1.3x) it stays below the turret's band.
inline constexpr int ENGINE_HARMONICS = 14;

// The turret whine's tone and the bands in which each sound can be told apart
// from the others in a recording.
inline constexpr double TURRET_TONE_HZ = 2600.0;
struct Band {
    double lowHz;
    double highHz;
};
inline constexpr Band ENGINE_BAND{50.0, 1800.0};
inline constexpr Band TURRET_BAND{2450.0, 2750.0};
inline constexpr Band SHOT_BAND{3500.0, 6000.0};
inline constexpr Band RAIN_BAND{7000.0, 9500.0};

// Sample index of a time given in tenths of a second (at 22050 Hz every tenth
// is a whole number of samples).
constexpr int32_t sampleAt(int32_t tenths) { return tenths * (SAMPLE_RATE / 10); }

// One engine segment as marked in the positions file, in samples, and how far
// the same sound goes on after the marked end. The loops continue past their
// end so that a late frame (the loop jump happens only when a frame arrives)
// never lets the engine run into the next segment; the idle goes on for 3 s,
// longer than the watchdog's 2 s after the last frame.
struct EngineSegment {
    const char* name;
    int32_t start;  // first sample
    int32_t end;    // marked end (sample index)
    int32_t soundEnd;  // where this segment's own sound ends in the file
};

// File order is the driving order: start, idle, accelerate, driving, braking,
// stop. Index = the segment's index in the positions file.
inline constexpr std::array<EngineSegment, 6> ENGINE_SEGMENTS{{
    {"Motorstart", sampleAt(0), sampleAt(12), sampleAt(12)},
    {"Motorleerlaufstart", sampleAt(12), sampleAt(32), sampleAt(62)},  // idle loop 2.0 s
    {"Beschleunigen", sampleAt(62), sampleAt(77), sampleAt(77)},
    {"Fahren", sampleAt(77), sampleAt(107), sampleAt(119)},         // driving loop 3.0 s
    {"Bremsen", sampleAt(119), sampleAt(131), sampleAt(143)},       // then idle sound
    {"Motorstop", sampleAt(143), sampleAt(161), sampleAt(161)},     // ends in 0.3 s silence
}};
inline constexpr int32_t ENGINE_SAMPLES = sampleAt(161);
inline constexpr int32_t ENGINE_STOP_SOUND_SAMPLES = sampleAt(15);  // audible part of "Motorstop"

inline constexpr int32_t SHOT_SAMPLES = sampleAt(8);
inline constexpr int32_t TURRET_LOOP_SAMPLES = sampleAt(10);
inline constexpr int32_t RAIN_LOOP_SAMPLES = sampleAt(40);

// File names, distinct per category so that a mix-up of folders shows.
inline constexpr const char* ENGINE_FILE = "demo-engine.wav";
inline constexpr const char* POSITIONS_FILE = "demo-engine.dat";
inline constexpr const char* SHOT_FILE = "demo-shot.wav";
inline constexpr const char* TURRET_FILE = "demo-turret.wav";
inline constexpr const char* BACKGROUND_FILE = "demo-rain.wav";

// Volumes written to IR.ini (hundredths of a decibel of attenuation): low
// enough that two tanks driving, firing and turning at once stay below full
// scale.
inline constexpr int32_t ENGINE_VOLUME = -800;
inline constexpr int32_t SHOT_VOLUME = -600;
inline constexpr int32_t TURRET_VOLUME = -1000;
inline constexpr int32_t BACKGROUND_VOLUME = -1500;

}  // namespace demo
