// The user's COM port mapping on Linux: the environment variable PORT_COMn,
// then the serial configuration file, read afresh at every open so that a
// changed mapping needs no restart.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "serial_names.h"

namespace port {

std::string serialConfigPath() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/')
        return std::string(config) + "/port/serial.conf";
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config/port/serial.conf";
    return {};
}

SerialTarget serialTargetFor(std::string_view deviceName) {
    return resolveSerialTarget(deviceName, [](int n) -> std::optional<ComMapping> {
        const std::string variable = "PORT_COM" + std::to_string(n);
        if (const char* value = std::getenv(variable.c_str())) return ComMapping{value, variable};

        const std::string path = serialConfigPath();
        if (path.empty()) return std::nullopt;
        std::ifstream file(path);
        if (!file) return std::nullopt;
        std::ostringstream text;
        text << file.rdbuf();
        if (auto target = findComMapping(text.str(), n)) return ComMapping{*target, path};
        return std::nullopt;
    });
}

}  // namespace port
