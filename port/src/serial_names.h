// Where a serial device name leads.
//
// On Linux, whose ports are device files, "COMn" is /dev/ttyS(n-1) unless the
// user maps it elsewhere, first through the environment variable PORT_COMn,
// then through a line "COMn = target" in the serial configuration file; a
// name that is already a path is opened as it is. A target is a device path
// (or a bare device name under /dev), or "scheme:rest" where the scheme picks
// the kind of port behind the name: "tty:" a serial device file, "virtual:"
// the virtual IR receiver listening at rest (virtual_receiver_address.h),
// "lirc:" a Linux IR receiver device (/dev/lircN) that reports pulse lengths.
//
// On Windows "COMn" is the system's own port of that name unless PORT_COMn
// maps it to the virtual receiver on UDP (posix/ and win32/
// serial_names_*.cpp say which mappings each system takes).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace port {

struct SerialTarget {
    enum class Backend { none, tty, virtualReceiver, lirc };

    Backend backend = Backend::none;
    std::string path;    // device path, or the virtual receiver's address (after "virtual:")
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
// "tty:/dev/ttyUSB0", "virtual:/run/ir.sock", "virtual:udp:127.0.0.1:5000",
// "lirc:/dev/lirc0").
SerialTarget parseMappedTarget(std::string_view value, std::string origin);

// The target of "COMn = target" in a configuration file's text; lines
// starting with '#' are comments, names are compared without letter case.
std::optional<std::string> findComMapping(std::string_view configText, int n);

// n of "COMn" (any letter case, n from 1 without leading zeros), else 0.
int comNumberOf(std::string_view name);

// Tells the user on standard error why the port `name` cannot be opened:
// "port: <name>: <reason>". OPENCOM itself only returns 0.
void reportRefusal(const std::string& name, const std::string& reason);
// The same for a name that leads nowhere (Backend::none), naming the mapping
// that sent it there.
void reportRefusedTarget(std::string_view deviceName, const SerialTarget& target);

// The mapping as this system sets it up (Linux: environment, then the file
// at serialConfigPath(), then the default; Windows: the environment, then
// the system's own port).
SerialTarget serialTargetFor(std::string_view deviceName);
std::string serialConfigPath();

}  // namespace port
