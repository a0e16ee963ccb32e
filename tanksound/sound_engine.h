// What the windows call of the tank sound engine: the device set-up, the
// settings file, loading the sound set, and the sound decisions.
//
// All of it works on the program-wide data and runs on the window thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "programdata/program_data.h"

namespace rumblet {

// The start-up message when the sound device cannot be set up: the two fixed
// lines, then "<error number>/<description>".
std::string soundInitFailureText(const SoundError& e);

// A wave file that exists but is no usable wave file (damaged, too long, no
// sound data), named with the device's reason; shown by the main window's
// loading and by the editor when such a file is picked.
std::string soundLoadFailureText(const SoundError& e);

// Creates the device object for the default output from the root object
// that the program's entry put into data.directx (its platform's output;
// a fake or an offline renderer in tests). Throws SoundError on failure, and
// when there is no root object; the caller shows soundInitFailureText and
// ends the program.
void soundinit(ProgramData& data);

// IR.ini in the program's folder: 27 values, CR LF. initladen tolerates a
// missing, short or damaged file (names "leer", volumes 0, no port); a file
// that exists but cannot be read gives the same defaults and is never
// written in this run. It returns the messages to show (that file, refused
// names). initsave writes a new file and renames it over the old one; it
// throws std::runtime_error with a message naming the file when that fails
// or is refused, and the old file stays whole (in a read-only data folder:
// mayWriteProgramFile).
std::vector<std::string> initladen(ProgramData& data, int16_t& comport);
void initsave(ProgramData& data, int16_t comport);

// Loads all thirteen buffers from the sound folder. A missing file keeps the
// slot's old buffer (or none); every configured sound that cannot be found
// (missing, a folder, an unsafe name) is listed in one message, a line per
// slot. A file that exists but is no usable wave file also keeps the old
// buffer; its problem is returned as a message naming the file, for the
// caller to show. A name that is unsafe (a folder separator, "." or "..") is
// no sound, like "leer". Without a device nothing is loaded and one message
// says so.
std::vector<std::string> soundladen(ProgramData& data);

// Reads each engine sound's positions file into its controller's positions
// (defined with the positions file, tanksound/positions_file.cpp).
// Controllers with "leer" or an unsafe name keep theirs; a missing file, or a
// name too short to give a positions file name, gives zeros. A file that
// cannot be read gives zeros too and is never written in this run; the
// messages naming such files are returned.
std::vector<std::string> posladen(ProgramData& data);

// The sound decisions for one ordinary frame of controller n: the shot, the
// turret loop, then the engine's segment and pitch. A slot without a buffer
// ("leer", or its file missing) has its sound actions skipped one by one;
// phase, shot request, turret state and bits change as with a buffer. A
// controller number outside 0..3 does nothing.
void soundauswerten(ProgramData& data, std::array<int16_t, 18>& bits, int16_t n);

// The engine's speed sum S = |speed2 + 3 newmodel| + |speed1| + 3 newmodel,
// and its playback frequency for S: two thirds of the base at S = 0, the
// base at S = 30, in double precision, halves rounded to the even neighbour.
int16_t engineSpeedSum(int16_t speed1, int16_t speed2, int16_t newmodel);
int32_t engineFrequency(int32_t basefrequency, int16_t speedSum);

// The other sound actions of the main window.
void enginestart(ProgramData& data, int16_t n);      // first start frame: Play(0)
void enginestop(ProgramData& data, int16_t n);       // watchdog: jump to "Motorstop"
                                                      // (enginestate stays the caller's)
void soundstop(ProgramData& data);                    // engines, then the background
void atmoplay(ProgramData& data);                     // background Play(1)
void atmostop(ProgramData& data);                     // background Stop if playing

}  // namespace rumblet
