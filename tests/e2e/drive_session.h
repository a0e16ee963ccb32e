// One drive of the real program, as a person runs it: rumblet copied with its
// library and the demo sound set into a folder of its own, on a virtual
// display, COM1 mapped to the virtual receiver, its sound recorded through
// SDL's disk output. The session ticks Background, clicks ON, lets irremote
// play a script, takes the steps it is given at their script times, clicks
// OFF, and closes the window. Used by the end-to-end tests and the demo.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"

namespace e2e {

// What a step can do while the drive goes on.
struct DriveContext {
    const Desktop& desktop;
    std::string mainWindow;
    std::optional<std::string> remoteWindow;  // irremote's, when it shows one
    const std::filesystem::path& dir;

    // The centre of a control of the main window ("Command4", "Text2(0)").
    std::pair<int, int> place(const std::string& control) const;
    bool click(const std::string& control) const;
    // The text of a text box of the main window, selected and read.
    std::string text(const std::string& control) const;
};

struct DriveStep {
    double at;  // seconds from the script's start
    std::function<void(const DriveContext&)> act;
};

struct DriveOptions {
    std::filesystem::path dir;  // emptied, then holds the program, logs, sound.raw, screenshots
    std::string script;         // irremote script
    bool remoteWindow = false;  // irremote with its window (else --no-window)
    int controllers = 4;        // controllers with sounds in IR.ini, the others "leer"
    double offAt = 0.0;         // script time of the click on OFF
    std::vector<DriveStep> steps;
    // Replace IR.ini before closing the window, so that the file read after
    // the close shows whether the program wrote it.
    bool replaceSettingsBeforeClose = false;
};

// The disk output's format: the mixer's blocks as they are.
struct RawSoundFormat {
    int rate;
    int channels;  // interleaved 32-bit floats in the machine's byte order
};
RawSoundFormat recordedFormat();

// Where the recording stood at a moment: SDL's disk output writes each
// block when it is due, so the file's length follows the wall clock, also
// when a busy machine makes the output late now and then.
struct RecordingMark {
    double monotonic;  // CLOCK_MONOTONIC seconds
    double recorded;   // seconds of sound in the file at that moment
};

struct DriveResult {
    std::string problem;      // why the drive did not get through; empty when it did
    double scriptZero = 0.0;  // CLOCK_MONOTONIC seconds of the script's start
    double offClick = 0.0;    // CLOCK_MONOTONIC seconds of the click on OFF
    std::optional<int> exitStatus;  // rumblet's, after its window was closed
    std::string settingsAfterClose; // IR.ini then
    std::filesystem::path recording;  // sound.raw
    std::vector<RecordingMark> marks; // every 10 ms while rumblet ran

    // Where a moment of the script lies in the recording.
    double recordedAt(double scriptSeconds) const;
};

DriveResult runDrive(const DriveOptions& options);

// rumblet started in a fresh program folder under `dir` as for a drive; once
// its window is there, IR.ini is replaced and the system's `signal` sent.
struct SignalledEnd {
    std::string problem;            // empty when the run got through
    std::optional<int> exitStatus;  // within 15 s of the signal
    std::string settingsAfter;      // IR.ini then
};
SignalledEnd endBySignal(const std::filesystem::path& dir, int signal);

}  // namespace e2e
