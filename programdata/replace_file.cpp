// The platform-free part of saving: which file a save replaces, and how a
// failed save is told. The replace itself is per OS (posix/).
#include "programdata/replace_file.h"

#include <algorithm>
#include <sstream>

#include "programdata/program_data.h"
#include "programdata/text_values.h"

namespace rumblet {

std::string existingPathOr(const std::string& path) {
    std::string real = resolvePathNoCase(path);
    if (!real.empty()) return real;
    // A new file gets its name in UTF-8, like the sounds found beside it.
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (isValidUtf8(name)) return path;
    return path.substr(0, path.size() - name.size()) + windows1252ToUtf8(name);
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
