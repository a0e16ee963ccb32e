// The IR frame as a remote control sends it, and the line signal that the
// receiver makes of it. Used by the virtual remote control and the virtual
// receiver, and by the tests of the receive path; the program itself only
// captures and decodes frames.
//
// A frame is 18 bits, bit 0 first:
//   0      start bit, always 0
//   1-2    controller number (bit 1 most significant)
//   3      sign of speed 1 (1 = negative)        } ordinary frame
//   4-7    magnitude of speed 1                   }
//   8      sign of speed 2                        }
//   9-12   magnitude of speed 2                   }
//   13     start frame (announcement of the controller)
//   14     fire
//   15, 16 turret moving; bit 16 also marks the second start frame
//   17     parity: makes the count of 1 bits even
// First start frame: bits 4-7 the low four bits of the model number, bit 12
// its bit of value 16. Second start frame: bits 4 and 5 both 1 = new model,
// bit 7 = single player, bit 11 = "Munition", bit 12 = "Ladezeit".
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace rumblet::irframe {

inline constexpr int FRAME_BITS = 18;
using IrFrame = std::array<int16_t, FRAME_BITS>;  // each element 0 or 1

// The bit indexes of the layout above, for the builders here and the decoder.
// A field of several bits runs from its FIRST (most significant) to its LAST.
namespace bit {
inline constexpr int16_t START = 0;
inline constexpr int16_t CONTROLLER_FIRST = 1, CONTROLLER_LAST = 2;
inline constexpr int16_t SPEED1_SIGN = 3, SPEED1_FIRST = 4, SPEED1_LAST = 7;
inline constexpr int16_t SPEED2_SIGN = 8, SPEED2_FIRST = 9, SPEED2_LAST = 12;
inline constexpr int16_t START_FRAME = 13;
inline constexpr int16_t FIRE = 14;
inline constexpr int16_t TURRET = 15, TURRET_OR_SECOND_START = 16;
inline constexpr int16_t PARITY = 17;
// First start frame: the model number's low four bits and its bit of value 16.
inline constexpr int16_t MODEL_LOW_FIRST = SPEED1_FIRST, MODEL_LOW_LAST = SPEED1_LAST;
inline constexpr int16_t MODEL_SIXTEEN = SPEED2_LAST;
// Second start frame.
inline constexpr int16_t NEW_MODEL_A = 4, NEW_MODEL_B = 5;  // both 1: a new model
inline constexpr int16_t SINGLE = 7;
inline constexpr int16_t MUNITION = 11;
inline constexpr int16_t LADEZEIT = 12;
}  // namespace bit

// What an ordinary frame commands. Speeds run from -15 to 15.
struct Command {
    int speed1 = 0;
    int speed2 = 0;
    bool fire = false;
    bool turret = false;
};

// The game mode a controller announces in its second start frame.
enum class Mode { Training, Munition, Ladezeit };

struct Announcement {
    Mode mode = Mode::Training;
    bool single = false;    // "Singel" rather than "Team "
    bool newModel = false;  // "  New" rather than "  Old"
};

// Each builder checks its arguments (controller 0-3, model 0-31, speeds
// -15..15) and throws std::invalid_argument for a value no frame can carry.
// The parity bit is set in every frame they return.
IrFrame firstStartFrame(int controller, int model);
IrFrame secondStartFrame(int controller, const Announcement& announcement);
IrFrame ordinaryFrame(int controller, const Command& command);

// Sets bit 17 so that the frame holds an even number of 1 bits.
void setParity(IrFrame& frame);

// The frame as a number, bit i = frame bit i, and back.
uint32_t packFrame(const IrFrame& frame);
IrFrame unpackFrame(uint32_t value);

// The line as the receiver drives the DCD input: low while an IR burst is
// received, high in between.
struct LineLevel {
    bool low = false;
    int32_t microseconds = 0;
};
using PulseTrain = std::vector<LineLevel>;

// Timings of the pulse train. The capture takes a low period above 2400 us
// as the header and stops timing it at 2800 us; a header still low then
// would make the first gap vanish and shift the frame by one bit, so the
// header ends half-way between the two. A gap above 750 us is a 1; the two
// gap lengths lie 350 us either side of that, and the 1 stays far below the
// 2200 us at which the capture gives up timing a gap. Pulses are not timed,
// only waited for; they stay short so a frame takes under 29 ms.
namespace timing {
inline constexpr int32_t HEADER_US = 2600;
inline constexpr int32_t PULSE_US = 400;
inline constexpr int32_t ZERO_GAP_US = 400;
inline constexpr int32_t ONE_GAP_US = 1100;
}  // namespace timing

// The frame on the line: the header pulse, then for each bit its gap ended
// by a pulse, then `idleAfterUs` of quiet line (high).
PulseTrain pulseTrain(const IrFrame& frame, int32_t idleAfterUs);

// Total duration of a pulse train in microseconds.
int64_t durationUs(const PulseTrain& train);

}  // namespace rumblet::irframe
