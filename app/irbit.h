// Capture of one IR frame from the receiver on the DCD line.
#pragma once

#include <array>
#include <cstdint>

#include "app/port_functions.h"
#include "window/window_services.h"

namespace rumblet {

// The two failure messages, blanks included.
inline constexpr const char* NO_CONTROLLER_TEXT = "        Kein Kontroller!";
inline constexpr const char* NO_HARDWARE_TEXT = "       No IR-Hardware !!";

// Waits for a frame header (yielding to the window system in every round of
// the search), then times the 18 gaps of the frame at real-time priority
// and stores each as 0 or 1 in `bits`. Returns 0 for a frame with an even
// number of 1 bits (not all of them), 1 for a rejected frame or a failed
// capture. The two failures, no header within 12 s and a line stuck low
// inside the frame, show their message and clear `running`.
int16_t irbit(PortFunctions& port, WindowServices& window, std::array<int16_t, 18>& bits,
              int16_t& running);

}  // namespace rumblet
