// The library's process-wide state: one stopwatch pair and one serial port,
// over the operating system's real clocks and ports. Created on first use
// (at the latest when the library is loaded) and never destroyed, so the
// unload hook can still close the port after static destructors have run.
#pragma once

#include "serial.h"
#include "timing.h"

namespace port {

struct Library {
    Library() : timing(systemTiming()), serial(systemSerial(), timing) {}

    Timing timing;
    SerialPort serial;
};

Library& library();

// What loading and unloading the library do: close the serial port, then
// the wave input device, then the wave output device.
void closeAllDevices();

}  // namespace port
