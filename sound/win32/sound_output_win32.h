// The outputs the Windows program chooses from (sound/win32/
// sound_output_win32.cpp makes the device over them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sound/output_keeper.h"

namespace rumblet {

// SDL's disk driver writes here when SDL_DISKAUDIOFILE is not set.
inline constexpr const char* DEFAULT_DISK_AUDIO_FILE = "sdlaudio.raw";

// The output SDL_AUDIODRIVER names, by SDL's names as on Linux: "disk"
// (the raw file `file`, else DEFAULT_DISK_AUDIO_FILE) and "dummy" paced in
// real time; empty or "wasapi" the system's shared-mode audio. Throws
// SoundError (SOUND_ERROR_NO_OUTPUT) for another name or an output that
// cannot be opened.
std::unique_ptr<AudioOutput> openWindowsOutput(const std::string& driver, const std::string& file, int32_t rate,
                                               const RenderStart& start);

}  // namespace rumblet
