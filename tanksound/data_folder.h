// The data folder: where the program keeps IR.ini and its sound folder
// dsound. A copy of rumblet in a folder it may write (the build tree, an
// unpacked archive, a portable copy on Windows) keeps them beside itself. An
// installed copy, whose folder belongs to the system, keeps them in the
// player's own folder (file_system::userDataHome: ~/.local/share/rumblet on
// Linux, %APPDATA%\rumblet on Windows), which the first start fills with the
// installed sound set and its settings.
#pragma once

#include <string>

#include "programdata/file_system.h"

namespace rumblet {

// What the choice depends on, gathered by `prepareDataFolder`.
struct DataFolderFacts {
    std::string programDir;     // the program's own folder
    bool programDirWritable = false;
    std::string installedSet;   // the sound set installed apart from the program; empty when there is none
    std::string userDataHome;   // the system's folder for the player's own data; empty when it names none
};

struct DataFolderChoice {
    std::string folder;    // where IR.ini and dsound are read and written
    std::string fillFrom;  // a sound set copied into `folder` where it lacks one; empty: none
    std::string problem;   // why the player's folder cannot be used; empty when it can
};

// The program's own folder when it may be written and is not an installed
// copy; else the player's folder, to be filled from the installed set (or,
// for a copy in a folder it cannot write, from that folder).
DataFolderChoice chooseDataFolder(const DataFolderFacts& facts);

// The file that marks a data folder as completely filled: a later start
// copies nothing more, so files the player removed stay removed.
inline constexpr const char* FILLED_MARK = ".sound-set-copied";

// Copies IR.ini and every file of the dsound tree of `from` into `folder`
// where `folder` lacks them, then writes FILLED_MARK; does nothing when the
// mark is there. Each file is copied whole or not at all, so a start that
// was cut short leaves only whole files, and the next start copies the rest.
// Never replaces a file of the player's. Throws std::runtime_error naming
// the file or folder that could not be created.
void fillDataFolder(const std::string& folder, const std::string& from);

// The file in a data folder that the running program holds locked
// (file_system::FileLock): one copy of rumblet per data folder, so that no
// copy's close writes its IR.ini over another's edits.
inline constexpr const char* LOCK_FILE = ".rumblet.lock";

struct DataFolder {
    std::string folder;   // where the program keeps IR.ini and dsound
    std::string problem;  // a message for the player; empty when all went well
    bool readOnly = false;  // nothing may be written into `folder` in this run
    file_system::FileLock lock;  // held for the program's whole run
};

// The data folder of the program in `programDir`, filled as needed. The
// installed set lies at `installedSetRelative` from the program's folder
// (Linux: ../share/rumblet); an empty one, or one that is the program's own
// folder, means that the program's folder holds the set (Windows).
// The folder is locked before anything in it is read or written; when
// another copy of rumblet holds it, std::runtime_error with the message
// for the player is thrown and the program must end. A folder that cannot
// be locked (it cannot be written) is used all the same. Leftovers of a
// save that a killed run cut short are removed.
// Other problems never stop the start: when the player's folder cannot be
// created or filled the program runs on the sound set it was installed with,
// read-only, and `problem` says so.
DataFolder prepareDataFolder(const std::string& programDir, const std::string& installedSetRelative);

// The same for facts already gathered.
DataFolder prepareDataFolder(const DataFolderFacts& facts);

}  // namespace rumblet
