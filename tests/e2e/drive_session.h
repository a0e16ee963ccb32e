// One drive of the real program, as a person runs it: rumblet copied with its
// library and the demo sound set into a folder of its own, on a virtual
// display, COM1 mapped to the virtual receiver, its sound recorded through
// the disk output. The session ticks Background, clicks ON, lets irremote
// play a script, takes the steps it is given at their script times, clicks
// OFF, and closes the window. The program is the Linux build's rumblet or a
// Windows build's rumblet.exe under Wine (ProgramUnderTest). Used by the
// end-to-end tests, the demo and the whole program's benchmarks.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"

namespace e2e {

// How a drive puts the program into its folder and starts it.
struct ProgramUnderTest {
    std::string name;
    // Puts the program and its library into the folder (beside the demo set
    // already there); the problem when it cannot.
    std::function<std::string(const std::filesystem::path& folder)> install;
    // The command that starts the program in that folder.
    std::function<std::vector<std::string>(const std::filesystem::path& folder)> command;
    // The name the program gives a file of this machine.
    std::function<std::string(const std::filesystem::path& file)> fileName;
    // Ends whatever the program left running once the drive is over.
    std::function<void()> finish;
    // COM1 on the virtual receiver over UDP (a Windows program reaches no
    // Unix socket), else on a Unix socket in the drive's folder.
    bool overUdp = false;
};

// The Linux build's rumblet with libport.so beside it.
// A file's whole content; empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);

ProgramUnderTest linuxProgram();
// rumblet.exe and port.dll of a Windows build tree, run under Wine's loader
// `loader` in `prefix` through tests/app/win32/wine_rumblet.sh, whose prefix
// leads no COM name to a device of this machine.
ProgramUnderTest wineProgram(const std::string& loader, const std::filesystem::path& windowsBuild,
                             const std::filesystem::path& prefix);

// What a step can do while the drive goes on.
struct DriveContext {
    const Desktop& desktop;
    std::string mainWindow;
    std::optional<std::string> remoteWindow;  // irremote's, when it shows one
    const std::filesystem::path& dir;
    pid_t program;  // the process the program was started as (under Wine: its launcher)

    // The centre of a control of the main window ("Command4", "Text2(0)").
    std::pair<int, int> place(const std::string& control) const;
    bool click(const std::string& control) const;
    // The text of a text box of the main window, selected and read.
    std::string text(const std::string& control) const;
};

struct DriveStep {
    double at;  // seconds from the script's start; a step after `offAt` comes after the click on OFF
    std::function<void(const DriveContext&)> act;
};

struct DriveOptions {
    ProgramUnderTest program = linuxProgram();
    std::filesystem::path dir;  // emptied, then holds the program, logs, sound.raw, screenshots
    std::string script;         // irremote script
    bool remoteWindow = false;  // irremote with its window (else --no-window)
    int controllers = 4;        // controllers with sounds in IR.ini, the others "leer"
    double offAt = 0.0;         // script time of the click on OFF
    std::vector<DriveStep> steps;
    bool background = true;  // tick Background before ON
    // Changes the program's folder (IR.ini, the sounds) before it starts.
    std::function<void(const std::filesystem::path& programFolder)> adjustSettings;
    // When set, plays the remote in irremote's stead, given the receiver's
    // address for FrameSender; the script's time starts with the call, and
    // OFF is clicked once it has returned and offAt has come.
    std::function<void(const DriveContext&, const std::string& receiver)> remote;
    // Replace IR.ini before closing the window, so that the file read after
    // the close shows whether the program wrote it.
    bool replaceSettingsBeforeClose = false;
    // The silent output (SDL_AUDIODRIVER=dummy) in place of the recording
    // one: the program without the file's writes, for measuring it.
    bool silentOutput = false;
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
    std::filesystem::path programFolder;  // the copy that ran, with its settings
    std::filesystem::path recording;  // sound.raw
    std::vector<RecordingMark> marks; // every 10 ms while rumblet ran

    // Where a moment of the script lies in the recording.
    double recordedAt(double scriptSeconds) const;
};

DriveResult runDrive(const DriveOptions& options);

// rumblet started in a fresh program folder under `dir` as for a drive; once
// its window is there (and, with `startTwice`, a second copy for the same
// folder was started and its message box closed), IR.ini is replaced and the
// system's `signal` sent.
struct SignalledEnd {
    std::string problem;            // empty when the run got through
    std::optional<int> exitStatus;  // within 15 s of the signal
    std::string settingsAfter;      // IR.ini then
    bool secondStartMessage = false;       // the second copy showed a message box (second-start.png)
    std::optional<int> secondStartStatus;  // its exit status once the box was closed
};
SignalledEnd endBySignal(const std::filesystem::path& dir, int signal, bool startTwice = false);

}  // namespace e2e
