// Sound card group: what the rest of the library needs of it.
#pragma once

namespace port {

// The close sequences of the wave input and output device; the library runs
// them (after closing the serial port) when it is loaded and unloaded.
void waveCloseInput();
void waveCloseOutput();

}  // namespace port
