// The positions file: the six segment positions of one engine sound, twelve
// numbers, one per line, CR LF, beside the engine sound in the sound folder.
// There is one file per engine sound, not per controller.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string>

#include "programdata/program_data.h"

namespace rumblet {

// The positions file's name or path for an engine sound's name or path:
// everything but the last three characters, then "dat" (tank.WAV -> tank.dat).
std::string positionsPathFor(const std::string& soundNameOrPath);

// Reads one positions file: the first twelve numbers in order (start, end,
// start, end, ...). A missing file gives all zeros; missing or unreadable
// values are 0. Never throws for a damaged file.
void readPositionsFile(const std::string& path, std::array<segment, 6>& positions);

// The same reading from any stream: the first twelve numbers, separated by
// blanks, commas or line ends; missing or unreadable values are 0.
void readPositions(std::istream& in, std::array<segment, 6>& positions);

// The file's text: twelve number lines, CR LF.
std::string formatPositions(const std::array<segment, 6>& positions);

// Writes one positions file: a new file renamed over the old one, so a failed
// write leaves the old file whole. Throws std::runtime_error naming the file.
void writePositionsFile(const std::string& path, const std::array<segment, 6>& positions);

// `possave` of the sound editor: the positions files of all four controllers
// (controllers with the engine sound "leer" are skipped).
void possave(const ProgramData& data);

// `posladen` of the sound editor: `path` (an engine sound's full path) becomes
// its positions file's path, which is read into controller `c`.
void posladenEditor(ProgramData& data, std::string& path, int16_t c);

}  // namespace rumblet
