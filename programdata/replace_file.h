// Writing IR.ini and the positions files without ever losing the old file.
#pragma once

#include <string>

namespace rumblet {

// Replaces the file at `path` with `content`: the content goes into a new
// file beside it, which is flushed to the disk and then renamed over the old
// one. A crash or a full disk in the middle leaves the old file whole.
// Throws std::runtime_error with a message naming `path` when anything
// fails; the new file is then removed again.
void replaceFile(const std::string& path, const std::string& content);

// The path of an existing file when its name matches `path` without regard
// to letter case, else `path` itself: a rewrite then replaces the file that
// the readers find instead of creating a second one beside it.
std::string existingPathOr(const std::string& path);

}  // namespace rumblet
