// The sound engine for the tests: records each call in the event log and
// fails on request.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/sound_actions.h"
#include "sound/sound_device.h"
#include "virtual_port.h"

namespace rumblet::testing {

class SoundRecorder : public SoundActions {
public:
    explicit SoundRecorder(EventLog& log) : log_(log) {}

    std::string initFailure;                // non-empty: soundinit fails with it
    int16_t savedPort = 0;                  // what initladen reads as comport
    std::vector<std::string> loadProblems;  // what soundladen reports
    std::string saveFailure;                // non-empty: initsave fails with it
    std::string positionsFailure;           // non-empty: possave fails with it
    std::vector<std::string> readProblems;  // what initladen reports
    std::string failingCall;                // this call throws a SoundError
    std::function<void(std::array<int16_t, 18>&, int16_t)> onSoundauswerten;
    std::string outputLost;                 // what the next soundOutputCheck reports, once

    void soundinit() override {
        log_.push_back("soundinit");
        if (!initFailure.empty()) throw SoundInitFailed(initFailure);
    }
    std::vector<std::string> initladen(int16_t& comport) override {
        log_.push_back("initladen");
        comport = savedPort;
        return readProblems;
    }
    void initsave(int16_t comport) override {
        log_.push_back("initsave " + std::to_string(comport));
        if (!saveFailure.empty()) throw std::runtime_error(saveFailure);
    }
    std::vector<std::string> soundladen() override {
        log_.push_back("soundladen");
        return loadProblems;
    }
    std::vector<std::string> posladen() override {
        log_.push_back("posladen");
        return {};
    }
    void possave() override {
        log_.push_back("possave");
        if (!positionsFailure.empty()) throw std::runtime_error(positionsFailure);
    }
    void releaseSound() override { log_.push_back("releaseSound"); }
    void soundauswerten(std::array<int16_t, 18>& bits, int16_t n) override {
        log_.push_back("soundauswerten " + std::to_string(n));
        if (onSoundauswerten) onSoundauswerten(bits, n);
    }
    void enginestart(int16_t n) override {
        log_.push_back("enginestart " + std::to_string(n));
        if (failingCall == "enginestart") throw SoundError(-2005401480, "buffer lost");
    }
    void enginestop(int16_t n) override { log_.push_back("enginestop " + std::to_string(n)); }
    void soundstop() override { log_.push_back("soundstop"); }
    void atmoplay() override { log_.push_back("atmoplay"); }
    void atmostop() override { log_.push_back("atmostop"); }
    std::string soundOutputCheck() override { return std::exchange(outputLost, ""); }

private:
    EventLog& log_;
};

}  // namespace rumblet::testing
