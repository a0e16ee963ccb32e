// The IR receivers the kernel knows, by name only: read from /sys/class/rc
// and the /dev/lirc* names, never opened.
#pragma once

#include <string>
#include <vector>

namespace portinfo {

struct IrReceiver {
    std::string device;  // "/dev/lirc0", or empty when the receiver has none
    std::string driver;  // the kernel driver's name, when it tells
    std::string rc;      // "rc0"
};

// `sysRc` and `dev` are /sys/class/rc and /dev (tests give others).
std::vector<IrReceiver> findIrReceivers(const std::string& sysRc = "/sys/class/rc", const std::string& dev = "/dev");

// How a COM name's target records DCD's edges, for the listing.
std::string edgeSourceNote(int backend);

}  // namespace portinfo
