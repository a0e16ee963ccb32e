#include "app/command_line.h"

#include <algorithm>

namespace rumblet {

std::string versionLine(std::string_view program) {
    return std::string(program) + " " + RUMBLET_VERSION + "\n";
}

std::optional<std::string> helpOrVersion(const std::vector<std::string>& arguments, std::string_view program,
                                         std::string_view usage) {
    const auto asked = std::find_if(arguments.begin(), arguments.end(),
                                    [](const std::string& a) { return a == "--help" || a == "--version"; });
    if (asked == arguments.end()) return std::nullopt;
    return *asked == "--help" ? std::string(usage) : versionLine(program);
}

}  // namespace rumblet
