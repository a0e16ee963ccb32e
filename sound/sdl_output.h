// The program's real sound output: the mixer played through SDL's default
// audio device with a small device buffer.
#pragma once

#include <memory>

#include "sound/sound_device.h"

namespace rumblet {

// Frames per device block: about 5 ms at 48 kHz, so the output queues well
// under 20 ms and a jump of the engine sound is heard at once.
inline constexpr int SDL_OUTPUT_BLOCK_FRAMES = 256;

// The root object that soundinit uses when none was put in place. Its
// DirectSoundCreate opens the default audio device and throws SoundError
// (SOUND_ERROR_NO_OUTPUT, with SDL's error text) when there is none.
// SDL_AUDIODRIVER=dummy or =disk (with SDL_DISKAUDIOFILE) give a device on a
// machine without sound card.
std::unique_ptr<SoundSystem> makeDefaultSoundSystem();

}  // namespace rumblet
