#include "sound/mixer_device.h"

#include "sound/wave_file.h"

namespace rumblet {

std::unique_ptr<SoundBuffer> MixerSoundDevice::CreateSoundBufferFromFile(const std::string& path) {
    return mixer_->createBuffer(std::make_shared<const WaveData>(loadWaveFile(path)));
}

}  // namespace rumblet
