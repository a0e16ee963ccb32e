// The platform-free part of saving: which file a save replaces, and how a
// failed save is told. The replace itself is per OS (posix/, win32/).
#include "programdata/replace_file.h"

#include <algorithm>
#include <sstream>

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

std::string notSavedText(const std::string& path, const std::string& reason) {
    return "Nicht gespeichert, die Datei behält ihren alten Inhalt: " + path + " (" + reason + ")";
}

}  // namespace rumblet
