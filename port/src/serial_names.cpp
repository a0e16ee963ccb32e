#include "serial_names.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "virtual_receiver_address.h"

namespace port {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

SerialTarget unusable(std::string origin, std::string problem) {
    return SerialTarget{SerialTarget::Backend::none, {}, std::move(origin), std::move(problem)};
}

}  // namespace

int comNumberOf(std::string_view name) {
    if (name.size() < 4 || name.size() > 7 || !equalsNoCase(name.substr(0, 3), "com") || name[3] == '0') return 0;
    int n = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

void reportRefusal(const std::string& name, const std::string& reason) {
    std::fprintf(stderr, "port: %s: %s\n", name.c_str(), reason.c_str());
}

void reportRefusedTarget(std::string_view deviceName, const SerialTarget& target) {
    const bool mapped = target.origin != "name" && target.origin != "path" && target.origin != "default";
    reportRefusal(std::string(deviceName), mapped ? target.origin + ": " + target.problem : target.problem);
}

SerialTarget parseMappedTarget(std::string_view value, std::string origin) {
    value = trimmed(value);
    if (value.empty()) return unusable(std::move(origin), "mapped to nothing");
    if (value.front() == '/') return SerialTarget{SerialTarget::Backend::tty, std::string(value), std::move(origin), {}};

    const auto colon = value.find(':');
    if (colon == std::string_view::npos) {
        if (value.find('/') != std::string_view::npos) return unusable(std::move(origin), "not an absolute path");
        return SerialTarget{SerialTarget::Backend::tty, "/dev/" + std::string(value), std::move(origin), {}};
    }
    const std::string_view scheme = value.substr(0, colon);
    const std::string_view rest = trimmed(value.substr(colon + 1));
    if (rest.empty()) return unusable(std::move(origin), "no address after \"" + std::string(scheme) + ":\"");
    if (equalsNoCase(scheme, "tty")) return parseMappedTarget(rest, std::move(origin));
    if (equalsNoCase(scheme, "virtual")) {
        std::string problem;
        if (!virtual_receiver::parseReceiverAddress(rest, problem)) return unusable(std::move(origin), problem);
        return SerialTarget{SerialTarget::Backend::virtualReceiver, std::string(rest), std::move(origin), {}};
    }
    if (equalsNoCase(scheme, "lirc")) {
        if (rest.front() != '/') return unusable(std::move(origin), "an IR receiver is a device path: lirc:/dev/lirc0");
        return SerialTarget{SerialTarget::Backend::lirc, std::string(rest), std::move(origin), {}};
    }
    return unusable(std::move(origin), "unknown kind of port \"" + std::string(scheme) + ":\"");
}

SerialTarget resolveSerialTarget(std::string_view deviceName, const ComMappingLookup& lookup) {
    if (deviceName.find('/') != std::string_view::npos) {
        if (deviceName.front() != '/') return unusable("path", "not an absolute path");
        return SerialTarget{SerialTarget::Backend::tty, std::string(deviceName), "path", {}};
    }
    const int n = comNumberOf(deviceName);
    if (n == 0) return unusable("name", "not a serial port name (COM1, COM2, ... or a device path)");
    if (const auto mapping = lookup(n)) return parseMappedTarget(mapping->target, mapping->origin);
    return SerialTarget{SerialTarget::Backend::tty, "/dev/ttyS" + std::to_string(n - 1), "default", {}};
}

std::optional<std::string> findComMapping(std::string_view configText, int n) {
    const std::string key = "COM" + std::to_string(n);
    while (!configText.empty()) {
        const auto end = configText.find('\n');
        const std::string_view line = trimmed(configText.substr(0, end));
        configText = end == std::string_view::npos ? std::string_view{} : configText.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        if (equals != std::string_view::npos && equalsNoCase(trimmed(line.substr(0, equals)), key))
            return std::string(trimmed(line.substr(equals + 1)));
    }
    return std::nullopt;
}

}  // namespace port
