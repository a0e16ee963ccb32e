// Keeping the sound output while the program runs. An output can vanish
// under a running program: a USB headset unplugged, the sound server
// restarted. The player then wants to be told once, the program to go on
// receiving frames and saving as before, and the sound to come back by
// itself once an output is there again. The mixer and every buffer live
// on meanwhile (the sound decisions keep moving them); only the output
// that feeds the mixer to the system is closed and, later, opened anew.
//
// This is the logic only; each platform's output (SDL on Linux, the
// system's audio or a file on Windows) gives it the opener and tells it
// when its device was removed. Everything here runs on the window thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace rumblet {

// The message shown once when the output is lost.
inline constexpr const char* SOUND_OUTPUT_LOST_TEXT =
    "Die Soundausgabe ist weg (Gerät entfernt oder Soundserver neu gestartet).\r\n"
    "rumblet empfängt und speichert weiter; der Sound kommt wieder, sobald eine Ausgabe da ist.";

// How often a lost output is opened again: every fourth check (the main
// window checks with its 500 ms watchdog, so every 2 s). Opening can take
// a while when the sound server is gone, so not at every check.
inline constexpr int OUTPUT_REOPEN_EVERY_CHECKS = 4;

// One opened output feeding the mixer to the system.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // True once the system has removed the device under it.
    virtual bool removed() = 0;
};

// What an output plays, asked for on its audio thread: `frames` frames of
// interleaved stereo floats (the mixer's render, or a benchmark's probe
// around it).
using RenderFunction = std::function<void(float* out, size_t frames)>;
// Called once an output knows its rate, before it plays: the first output
// of a device makes the mixer at that rate.
using RenderStart = std::function<RenderFunction(int32_t rate)>;

class OutputKeeper {
public:
    // Opens an output feeding the mixer; throws SoundError when none can be
    // opened.
    using Opener = std::function<std::unique_ptr<AudioOutput>()>;

    // The first output is opened at once; its failure is the caller's.
    explicit OutputKeeper(Opener open) : open_(std::move(open)), output_(open_()) {}
    // Keeps an output the caller has opened already; `open` makes the
    // later ones.
    OutputKeeper(std::unique_ptr<AudioOutput> opened, Opener open)
        : open_(std::move(open)), output_(std::move(opened)) {}

    // SOUND_OUTPUT_LOST_TEXT once when the output has been lost since the
    // last check, else empty. A lost output is closed here, and every
    // OUTPUT_REOPEN_EVERY_CHECKS-th check after it tries to open a new one.
    std::string check();

    bool hasOutput() const { return output_ != nullptr; }

private:
    Opener open_;
    std::unique_ptr<AudioOutput> output_;
    int checksWithout_ = 0;
};

}  // namespace rumblet
