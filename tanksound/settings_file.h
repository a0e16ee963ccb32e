// IR.ini: the sound set and the serial port between runs. 27 values, one per
// line, CR LF: for each controller the engine, shot and turret file names
// and volumes, then the background file name and volume, then the port.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "programdata/program_data.h"

namespace rumblet {

inline constexpr const char* SETTINGS_FILE_NAME = "IR.ini";
inline constexpr int SETTINGS_VALUE_COUNT = 27;

// The settings file's path in the program's folder.
std::string settingsPath(const std::string& programDir);

// Reads the 27 values from `in`, after a byte order mark if there is one.
// Every value starts at its default (name "leer", volume 0, no port), so a
// short or damaged file leaves the missing values there. A text value is its
// line up to the first comma, blanks removed; an empty one reads as "leer".
// A name longer than the file system allows is refused, never cut: its slot
// stays "leer" and the message naming the slot is returned (initladen then
// keeps the file from being written over in this run, so the name survives).
std::vector<std::string> readSettings(std::istream& in, ProgramData& data, int16_t& comport);

// The file's text exactly as initsave writes it.
std::string formatSettings(const ProgramData& data, int16_t comport);

}  // namespace rumblet
