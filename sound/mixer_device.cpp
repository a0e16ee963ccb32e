#include "sound/mixer_device.h"

#include "sound/wave_file.h"

namespace rumblet {

std::unique_ptr<SoundBuffer> MixerSoundDevice::CreateSoundBufferFromFile(const std::string& path) {
    return mixer_->createBuffer(waves_.load(path));
}

}  // namespace rumblet
