// Writing IR.ini and the positions files without ever losing the old file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
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

// The files that replaceFile makes beside the file it replaces: "." + the
// first REPLACE_NAME_PART bytes of its name + a kind + six letters or digits
// that the system's replace picks. Kinds: NEW_FILE_KIND, the new contents
// before they take the old file's place; OLD_FILE_KIND (Windows), the old
// file for the moment of the swap.
inline constexpr std::size_t REPLACE_NAME_PART = 200;
inline constexpr std::string_view NEW_FILE_KIND = ".new-";
inline constexpr std::string_view OLD_FILE_KIND = ".old-";

// Removes from `folder` (with `below`, also from the folders below it,
// links not followed) what a run that was killed during a save left of
// replaceFile's files: every new file, and an old one where the file it
// stood for is there again. Nothing else is touched, and nothing that
// cannot be removed stops it.
void removeReplaceLeftovers(const std::string& folder, bool below);

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
