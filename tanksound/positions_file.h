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
// values are 0. Never throws for a damaged file. A file that exists but
// cannot be read gives zeros, joins data.unreadableFiles (never written in
// this run) and its message is returned; otherwise the result is empty.
std::string readPositionsFile(ProgramData& data, const std::string& path,
                              std::array<segment, 6>& positions);
void readPositionsFile(const std::string& path, std::array<segment, 6>& positions);

// The same reading from any stream, after a byte order mark if there is one:
// the first twelve numbers, separated by blanks, commas or line ends;
// missing or unreadable values are 0.
void readPositions(std::istream& in, std::array<segment, 6>& positions);

// The file's text: twelve number lines, CR LF.
std::string formatPositions(const std::array<segment, 6>& positions);

// Writes one positions file: a new file renamed over the old one, so a failed
// write leaves the old file whole. Throws std::runtime_error naming the file.
void writePositionsFile(const std::string& path, const std::array<segment, 6>& positions);

// `possave` of the sound editor: the positions files of all four controllers
// (controllers with the engine sound "leer", or whose sound is not there,
// are skipped). Positions belong to the sound file: controllers that share
// one are saved once. Every file that keeps its old contents (a failed
// write, a file that could not be read) is named once in the
// std::runtime_error thrown at the end; data.positionsUnsaved tells whether
// anything was left unwritten.
void possave(ProgramData& data);

// `posladen` of the sound editor: `path` (an engine sound's full path) becomes
// its positions file's path, which is read into controller `c`. Returns the
// message of a file that cannot be read, else nothing.
std::string posladenEditor(ProgramData& data, std::string& path, int16_t c);

// Whether two engine sound names are the same file (letter case ignored).
bool sameEngineSound(const controller& a, const controller& b);

// The lowest-numbered other controller whose engine sound is the same file
// as controller c's, or -1.
int16_t sharingController(const ProgramData& data, int16_t c);

// An edit of controller c's positions holds for the sound file: every other
// controller with the same engine sound gets them too.
void sharePositions(ProgramData& data, int16_t c);

}  // namespace rumblet
