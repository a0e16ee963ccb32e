// Writing the demo sound set beside a program: the sound folder with its
// category subfolders, the engine's positions file and, when the user has
// none yet, IR.ini naming the set for all four controllers.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "programdata/program_data.h"

#include "synth.h"

namespace demo {

// The demo engine's six segments as byte offsets, as the positions file
// holds them.
std::array<rumblet::segment, 6> enginePositions();

// IR.ini naming the demo set for the first `controllers` controllers (the
// others "leer") and the background, with the serial port `comport`
// (0 = none, 1 = COM1, 2 = COM2).
std::string settingsText(int comport, int controllers = 4);

// Writes a 16-bit mono wave file at SAMPLE_RATE through a temporary name, so
// a failed write never leaves half a file. Throws std::runtime_error naming
// the file.
void writeWave(const std::filesystem::path& path, const Samples& samples);

// Writes the engine, its positions file, the shot, the turret and the
// background into programDir/dsound and its subfolders.
void writeSoundSet(const std::filesystem::path& programDir);

// Writes programDir/IR.ini for the demo set unless an IR.ini is there
// already (a user's settings are never replaced). True when written.
bool writeSettingsIfMissing(const std::filesystem::path& programDir, int comport, int controllers = 4);

}  // namespace demo
