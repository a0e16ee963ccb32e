// The platform-free part of saving: which file a save replaces, and how a
// failed save is told. The replace itself is per OS (posix/, win32/).
#include "programdata/replace_file.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "programdata/file_system.h"
#include "programdata/program_data.h"

namespace rumblet {

std::string existingPathOr(const std::string& path) {
    std::string real = resolvePathNoCase(path);
    if (!real.empty()) return real;
    // A new file gets its name as text, like the sounds found beside it.
    const std::size_t start = nameStart(path);
    return path.substr(0, start) + file_system::nameText(std::string_view(path).substr(start));
}

std::string eachLineOnce(const std::vector<std::string>& messages) {
    std::vector<std::string> lines;
    for (const std::string& message : messages) {
        std::stringstream ss(message);
        for (std::string line; std::getline(ss, line);) {
            if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
        }
    }
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

namespace {

// The file that a leftover of replaceFile named `name` stood for, and the
// leftover's kind; no kind for any other name.
struct Leftover {
    std::string_view kind;
    std::string_view of;
};

Leftover leftoverOf(std::string_view name) {
    constexpr std::size_t SUFFIX = 6;
    const std::size_t tail = NEW_FILE_KIND.size() + SUFFIX;
    if (name.size() < 2 + tail || name[0] != '.') return {};
    const std::string_view suffix = name.substr(name.size() - SUFFIX);
    const auto letterOrDigit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    if (!std::all_of(suffix.begin(), suffix.end(), letterOrDigit)) return {};
    const std::string_view kind = name.substr(name.size() - tail, NEW_FILE_KIND.size());
    if (kind != NEW_FILE_KIND && kind != OLD_FILE_KIND) return {};
    return {kind, name.substr(1, name.size() - 1 - tail)};
}

}  // namespace

void removeReplaceLeftovers(const std::string& folder, bool below) {
    namespace fs = std::filesystem;
    using file_system::nativePath;
    using file_system::programPath;
    std::error_code ec;
    const auto removeIn = [](const fs::path& dir) {
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = programPath(it->path().filename());
            const Leftover leftover = leftoverOf(name);
            std::error_code entryError;
            if (leftover.kind.empty() || !fs::is_regular_file(it->symlink_status(entryError))) continue;
            // An old file whose name was cut, or whose file is gone, may be
            // the only copy left: it stays.
            if (leftover.kind == OLD_FILE_KIND &&
                (leftover.of.size() >= REPLACE_NAME_PART ||
                 !fs::exists(dir / nativePath(std::string(leftover.of)), entryError)))
                continue;
            fs::remove(it->path(), entryError);
        }
    };
    removeIn(nativePath(folder));
    if (!below) return;
    for (fs::recursive_directory_iterator it(nativePath(folder), fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (it->is_directory(entryError) && !it->is_symlink(entryError)) removeIn(it->path());
    }
}

std::string notSavedText(const std::string& path, const std::string& reason) {
    return "Nicht gespeichert, die Datei behält ihren alten Inhalt: " + path + " (" + reason + ")";
}

}  // namespace rumblet
