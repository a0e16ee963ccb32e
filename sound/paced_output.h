// An output without a sound card, for tests and demos: the mixer rendered
// in blocks of OUTPUT_BLOCK_FRAMES at the pace of real time, written to a
// raw file or dropped. The raw file is what SDL's disk driver writes on
// Linux: the interleaved stereo 32-bit floats of the output, in the
// machine's byte order, nothing before or between them, so the same
// checks read a run recorded on either system.
//
// Portable C++ (a thread and the steady clock); Windows uses it for
// SDL_AUDIODRIVER=disk and =dummy (sound/win32/).
#pragma once

#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "sound/output_keeper.h"

namespace rumblet {

// A late wake-up is made good by rendering the missed blocks at once; after
// a stall longer than this (a suspended process, a debugger) the pace
// starts anew instead of rushing through the gap.
inline constexpr int PACE_RESTART_AFTER_MS = 200;

class PacedOutput : public AudioOutput {
public:
    // Plays at `rate` Hz (0: DEFAULT_OUTPUT_RATE), into the raw file at
    // `path` (UTF-8, created or emptied) or, with an empty path, into
    // nothing. `onAudioThread` runs first on the audio thread (a platform
    // raises the thread's priority there, as SDL does for its own audio
    // threads). Throws SoundError (SOUND_ERROR_NO_OUTPUT) when the file
    // cannot be created.
    PacedOutput(int32_t rate, const RenderStart& start, const std::string& path,
                std::function<void()> onAudioThread = {});
    // Stops the audio thread, within a block.
    ~PacedOutput() override;
    PacedOutput(const PacedOutput&) = delete;
    PacedOutput& operator=(const PacedOutput&) = delete;

    // True once the file could not be written (a full disk, a vanished
    // drive): the output is lost like a removed device.
    bool removed() override { return failed_; }
    int32_t rate() const { return rate_; }

private:
    void run(const std::function<void()>& onAudioThread);

    int32_t rate_;
    std::ofstream file_;
    bool writing_;
    RenderFunction render_;
    std::atomic<bool> failed_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace rumblet
