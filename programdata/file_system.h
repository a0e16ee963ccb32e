// What the program's data needs of the file system beyond the C++ library:
// one implementation per operating system (posix/).
#pragma once

#include <cstddef>
#include <string>

namespace rumblet::file_system {

// The entry of folder `dir` whose name equals `name` without regard to
// letter case; an exact match wins, also for a link or a folder. Empty when
// there is none or the folder cannot be read.
std::string findEntryNoCase(const std::string& dir, const std::string& name);

// True for an ordinary file, following links.
bool isRegularFile(const std::string& path);

// True when this process may create files in the folder `dir`.
bool isWritableFolder(const std::string& dir);

// Reads the whole file at `path` into `content`. False when it cannot be
// read (no rights, a folder, a read error); `reason` then says why.
bool readFile(const std::string& path, std::string& content, std::string& reason);

// The longest file name, in bytes, that the file system of `dir` takes.
std::size_t maxNameBytes(const std::string& dir);

}  // namespace rumblet::file_system
