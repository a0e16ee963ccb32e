// Writing IR.ini and the positions files without ever losing the old file.
#pragma once

#include <string>
#include <vector>

namespace rumblet {

// Replaces the file at `path` with `content`: the content goes into a new
// file beside it, which is flushed to the disk and then renamed over the old
// one. A crash or a full disk in the middle leaves the old file whole. A
// symbolic link stays a link: its target is replaced, in the target's
// folder. A file that the user made read-only (or may not write) is left
// alone. Throws std::runtime_error with notSavedText(path, reason) when
// anything fails; the new file is then removed again.
void replaceFile(const std::string& path, const std::string& content);

// The one line that tells of a file that kept its old contents.
std::string notSavedText(const std::string& path, const std::string& reason);

// The lines of several save failures as one message, each line once, so a
// file that two saves could not write is named once.
std::string eachLineOnce(const std::vector<std::string>& messages);

// The path of an existing file when its name matches `path` without regard
// to letter case, else `path` itself: a rewrite then replaces the file that
// the readers find instead of creating a second one beside it.
std::string existingPathOr(const std::string& path);

}  // namespace rumblet
