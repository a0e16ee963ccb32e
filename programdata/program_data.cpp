#include "programdata/program_data.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "programdata/file_system.h"
#include "programdata/replace_file.h"
#include "programdata/text_values.h"

namespace rumblet {

bool equalsNoCase(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

bool isEmptySoundName(const std::string& file) { return equalsNoCase(file, EMPTY_SOUND); }

void ProgramData::releaseSound() {
    for (auto& c : controllers) {
        c.enginesound.buffer.reset();
        c.shotsound.buffer.reset();
        c.turretsound.buffer.reset();
    }
    directsound.reset();
    directx.reset();
}

std::string resolvePathNoCase(const std::string& path) {
    if (path.empty()) return {};
    const bool absolute = path[0] == '/';
    std::string out = absolute ? "/" : "";
    std::stringstream ss(path);
    for (std::string part; std::getline(ss, part, '/');) {
        if (part.empty()) continue;
        std::string dir = out.empty() ? "." : out;
        std::string entry = (part == "." || part == "..") ? part : file_system::findEntryNoCase(dir, part);
        // A name copied from Windows may be in its code page, not in UTF-8.
        if (entry.empty() && !isValidUtf8(part))
            entry = file_system::findEntryNoCase(dir, windows1252ToUtf8(part));
        if (entry.empty()) return {};
        if (!out.empty() && out.back() != '/') out += '/';
        out += entry;
    }
    return out;
}

int16_t fileda(const std::string& path) {
    std::string real = resolvePathNoCase(path);
    if (real.empty()) return 0;
    if (!file_system::isRegularFile(real)) return 0;
    auto slash = real.find_last_of('/');
    std::string name = slash == std::string::npos ? real : real.substr(slash + 1);
    return static_cast<int16_t>(std::min<size_t>(name.size(), 32767));
}

std::string readProgramFile(ProgramData& data, const std::string& path, std::string& content) {
    content.clear();
    const std::string real = resolvePathNoCase(path);
    if (real.empty()) return {};
    std::string reason;
    if (data.unreadableFiles.count(real) == 0 && file_system::readFile(real, content, reason)) return {};
    content.clear();
    if (!data.unreadableFiles.insert(real).second) return {};
    return "Datei kann nicht gelesen werden: " + real + " (" + reason +
           ")\nEs gelten die Vorgaben; die Datei wird nicht überschrieben.";
}

void refuseUnreadable(const ProgramData& data, const std::string& realPath) {
    if (data.unreadableFiles.count(realPath) != 0)
        throw std::runtime_error(notSavedText(realPath, "war nicht lesbar"));
}

}  // namespace rumblet
