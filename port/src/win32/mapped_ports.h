// COM names that the user mapped away from the system's own port on
// Windows: PORT_COMn=virtual:udp:<address>:<port> opens the virtual receiver
// there (serial_names_win32.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "serial_system.h"

namespace port {

// Nullopt when `deviceName` is not mapped: the system's own port opens as
// always. Otherwise the mapped device, or nullptr (with the reason on
// standard error) when it cannot be opened.
std::optional<std::unique_ptr<SerialDevice>> openMappedPort(const std::string& deviceName);

}  // namespace port
