// The program's real sound output: the mixer played through the system's
// default audio device with a small device buffer. One implementation per
// system: SDL on Linux (sound/sdl_output.cpp), the system's own audio
// interface on Windows (sound/win32/).
#pragma once

#include <memory>

#include "sound/sound_device.h"

namespace rumblet {

// Frames per device block: 4 ms at 48 kHz. A sound decision waits for the
// next block to be mixed, and a mixed block waits behind about two blocks
// in the device, so a frame is heard about 10.5 ms after its end (256
// frames gave 13.5 ms; docs/sound.md has the figures). A whole number of
// milliseconds, because SDL's disk and dummy drivers pace themselves in
// whole milliseconds (128 frames would run them a third too fast). Mixing
// 13 voices takes about a fortieth of a block.
inline constexpr int OUTPUT_BLOCK_FRAMES = 192;

// The root object that soundinit uses when none was put in place. Its
// DirectSoundCreate opens the default audio device and throws SoundError
// (SOUND_ERROR_NO_OUTPUT, with the system's error text) when there is none.
// SDL_AUDIODRIVER=dummy or =disk (with SDL_DISKAUDIOFILE) give a device on a
// machine without sound card.
std::unique_ptr<SoundSystem> makeDefaultSoundSystem();

}  // namespace rumblet
