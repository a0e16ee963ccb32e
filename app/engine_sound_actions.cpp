#include "app/engine_sound_actions.h"

#include "tanksound/positions_file.h"
#include "tanksound/sound_engine.h"

namespace rumblet {

// A device that cannot be set up becomes the complete start-up message.
void EngineSoundActions::soundinit() {
    try {
        rumblet::soundinit(data_);
    } catch (const SoundError& e) {
        throw SoundInitFailed(soundInitFailureText(e));
    }
}

std::vector<std::string> EngineSoundActions::initladen(int16_t& comport) {
    return rumblet::initladen(data_, comport);
}
void EngineSoundActions::initsave(int16_t comport) { rumblet::initsave(data_, comport); }
std::vector<std::string> EngineSoundActions::soundladen() { return rumblet::soundladen(data_); }
std::vector<std::string> EngineSoundActions::posladen() { return rumblet::posladen(data_); }
void EngineSoundActions::possave() { rumblet::possave(data_); }
void EngineSoundActions::releaseSound() { data_.releaseSound(); }
void EngineSoundActions::soundauswerten(std::array<int16_t, 18>& bits, int16_t n) {
    rumblet::soundauswerten(data_, bits, n);
}
void EngineSoundActions::enginestart(int16_t n) { rumblet::enginestart(data_, n); }
void EngineSoundActions::enginestop(int16_t n) { rumblet::enginestop(data_, n); }
void EngineSoundActions::soundstop() { rumblet::soundstop(data_); }
void EngineSoundActions::atmoplay() { rumblet::atmoplay(data_); }
void EngineSoundActions::atmostop() { rumblet::atmostop(data_); }
std::string EngineSoundActions::soundOutputCheck() {
    return data_.directsound ? data_.directsound->checkOutput() : std::string();
}

}  // namespace rumblet
