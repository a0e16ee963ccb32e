// The user's COM port mapping on Windows: only the environment variable
// PORT_COMn, read afresh at every open, and only to the virtual receiver on
// UDP. Without it a COM name is the system's own port, as it always was.
#include <windows.h>

#include <vector>

#include "serial_names.h"
#include "virtual_receiver.h"
#include "win32/mapped_ports.h"

namespace port {

namespace {

// The variable as the process has it now (not the C runtime's copy from the
// start, which a caller's SetEnvironmentVariable does not reach).
std::optional<std::string> environmentVariable(const std::string& name) {
    std::vector<char> value(256);
    while (true) {
        SetLastError(ERROR_SUCCESS);  // an empty variable gives 0 too
        const DWORD size = GetEnvironmentVariableA(name.c_str(), value.data(), DWORD(value.size()));
        if (size == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (size < value.size()) return std::string(value.data(), size);
        value.resize(size);
    }
}

}  // namespace

std::string serialConfigPath() { return {}; }

SerialTarget serialTargetFor(std::string_view deviceName) {
    const SerialTarget system{SerialTarget::Backend::tty, std::string(deviceName), "default", {}};
    const int n = comNumberOf(deviceName);
    if (n == 0) return system;
    const std::string variable = "PORT_COM" + std::to_string(n);
    const auto value = environmentVariable(variable);
    if (!value) return system;
    SerialTarget target = parseMappedTarget(*value, variable);
    if (target.backend != SerialTarget::Backend::none && target.backend != SerialTarget::Backend::virtualReceiver)
        return SerialTarget{SerialTarget::Backend::none, {}, variable,
                            "on Windows a COM port maps only to the virtual receiver: virtual:udp:127.0.0.1:<port>"};
    return target;
}

std::optional<std::unique_ptr<SerialDevice>> openMappedPort(const std::string& deviceName) {
    const SerialTarget target = serialTargetFor(deviceName);
    switch (target.backend) {
        case SerialTarget::Backend::virtualReceiver: return openVirtualReceiver(target.path);
        case SerialTarget::Backend::none:
            reportRefusedTarget(deviceName, target);
            return std::unique_ptr<SerialDevice>();
        default: return std::nullopt;
    }
}

}  // namespace port
