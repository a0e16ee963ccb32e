// The two options every program of the project answers before anything else
// it does, so that a user can ask what a program is and how it is called
// without a display, a receiver or a data folder: --help (the usage, on
// standard output) and --version ("<program> <version>", the version the
// build was made as).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rumblet {

// rumblet's usage, the same on every system; on Linux Qt's own arguments
// follow it.
inline constexpr const char* RUMBLET_USAGE =
    "Aufruf: rumblet [--help | --version]\n"
    "Spielt den Live-Sound IR-gesteuerter Modellpanzer.\n"
    "  --help     zeigt diese Hilfe\n"
    "  --version  zeigt die Version\n";

// "<program> <version>" and a line end.
std::string versionLine(std::string_view program);

// The text to print on standard output when `arguments` (without the
// program's own name) hold --help or --version, the first of them deciding;
// nothing when they hold neither.
std::optional<std::string> helpOrVersion(const std::vector<std::string>& arguments, std::string_view program,
                                         std::string_view usage);

}  // namespace rumblet
