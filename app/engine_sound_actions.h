// The main window's sound actions carried out by the tank sound engine on
// the program-wide data.
#pragma once

#include "programdata/program_data.h"
#include "app/sound_actions.h"

namespace rumblet {

class EngineSoundActions final : public SoundActions {
public:
    explicit EngineSoundActions(ProgramData& data) : data_(data) {}

    void soundinit() override;
    std::vector<std::string> initladen(int16_t& comport) override;
    void initsave(int16_t comport) override;
    std::vector<std::string> soundladen() override;
    std::vector<std::string> posladen() override;
    void possave() override;
    void releaseSound() override;
    void soundauswerten(std::array<int16_t, 18>& bits, int16_t n) override;
    void enginestart(int16_t n) override;
    void enginestop(int16_t n) override;
    void soundstop() override;
    void atmoplay() override;
    void atmostop() override;
    std::string soundOutputCheck() override;

private:
    ProgramData& data_;
};

}  // namespace rumblet
