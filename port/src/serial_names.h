// Where a serial device name leads on a system whose ports are device files.
//
// "COMn" is /dev/ttyS(n-1) unless the user maps it elsewhere, first through
// the environment variable PORT_COMn, then through a line "COMn = target" in
// the serial configuration file; a name that is already a path is opened as
// it is. A target is a device path (or a bare device name under /dev), or
// "scheme:rest" where the scheme picks the kind of port behind the name:
// "tty:" a serial device file, "virtual:" the virtual IR receiver on the
// Unix datagram socket at rest (posix/virtual_receiver.h), "lirc:" a Linux
// IR receiver device (/dev/lircN) that reports pulse lengths.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace port {

struct SerialTarget {
    enum class Backend { none, tty, virtualReceiver, lirc };

    Backend backend = Backend::none;
    std::string path;    // device path, or the virtual receiver's address
    std::string origin;  // why: "PORT_COM1", the configuration file, "default", "path"
    std::string problem; // for Backend::none: what is wrong with the name or mapping
};

struct ComMapping {
    std::string target;
    std::string origin;
};

// The user's mapping of COM port number n, if any.
using ComMappingLookup = std::function<std::optional<ComMapping>(int n)>;

// The one place where device names are turned into targets.
SerialTarget resolveSerialTarget(std::string_view deviceName, const ComMappingLookup& lookup);

// The target named by a mapping value ("/dev/ttyUSB0", "ttyUSB0",
// "tty:/dev/ttyUSB0", "virtual:/run/ir.sock", "lirc:/dev/lirc0").
SerialTarget parseMappedTarget(std::string_view value, std::string origin);

// The target of "COMn = target" in a configuration file's text; lines
// starting with '#' are comments, names are compared without letter case.
std::optional<std::string> findComMapping(std::string_view configText, int n);

// The mapping as this system sets it up: environment, then the file at
// serialConfigPath(), then the default.
SerialTarget serialTargetFor(std::string_view deviceName);
std::string serialConfigPath();

}  // namespace port
