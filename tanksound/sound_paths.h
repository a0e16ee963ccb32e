// Where the sound set lies: the sound folder `dsound` beside the program,
// with the subfolders `Schuss`, `Turm` and `atmo`. Names are matched
// without regard to letter case when a file is looked up (resolvePathNoCase).
#pragma once

#include <string>

namespace rumblet {

enum class SoundCategory { Engine, Shot, Turret, Background };

// The folder of a category: programDir + "/dsound" (+ "/Schuss", "/Turm" or
// "/atmo"), as written; the lookup resolves the letter case.
std::string soundFolder(const std::string& programDir, SoundCategory category);

// A name from IR.ini may only name a file inside its folder: it must not be
// empty, hold no folder separator and not be "." or "..". An unsafe name is
// treated as no sound, like "leer", so a damaged or hostile IR.ini cannot
// make the program read or write outside the sound folder. ("tank..wav" is
// an ordinary name.)
bool isSafeSoundName(const std::string& name);

// A slot's file is worth looking up: neither the empty marker nor unsafe.
bool namesSoundFile(const std::string& name);

// How the user sees a slot in messages: "Kontroller 1 Panzersound" (the
// editor's captions, controllers counted from 1), or "Backround".
std::string slotLabel(int controller, SoundCategory category);

// The path of a named sound in its category's folder.
std::string soundPath(const std::string& programDir, SoundCategory category,
                      const std::string& name);

}  // namespace rumblet
