// What the main window asks of the tank sound engine: the start-up and
// shut-down steps, and the sound actions of the receive path. The real
// implementation hands each call to the engine's functions on the
// program-wide data; tests record the calls.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rumblet {

// The sound device could not be set up; what() is the complete message the
// user sees before the program ends.
class SoundInitFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SoundActions {
public:
    virtual ~SoundActions() = default;

    // Start-up and shut-down.
    virtual void soundinit() = 0;                          // throws SoundInitFailed
    virtual std::vector<std::string> initladen(int16_t& comport) = 0;  // reads IR.ini; messages to show
    virtual void initsave(int16_t comport) = 0;            // writes IR.ini; throws std::exception naming the file
    virtual std::vector<std::string> soundladen() = 0;     // loads the buffers; messages to show
    virtual std::vector<std::string> posladen() = 0;       // reads the segment positions; messages to show
    // Writes the positions files; throws std::exception naming each file
    // that kept its old contents.
    virtual void possave() = 0;
    virtual void releaseSound() = 0;                       // buffers, then device, then root object

    // The receive path. soundauswerten may clear bits 15 and 16.
    virtual void soundauswerten(std::array<int16_t, 18>& bits, int16_t n) = 0;
    virtual void enginestart(int16_t n) = 0;  // play the engine sound once from where it stands
    virtual void enginestop(int16_t n) = 0;   // jump the engine sound to its stop segment
    virtual void soundstop() = 0;             // stop the engines, then the background
    virtual void atmoplay() = 0;              // background sound, looping
    virtual void atmostop() = 0;              // background sound off if it plays

    // Asked by the watchdog: the message to show, once, when the sound
    // output has been lost (it comes back by itself); empty otherwise.
    virtual std::string soundOutputCheck() { return {}; }
};

}  // namespace rumblet
