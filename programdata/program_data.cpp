#include "programdata/program_data.h"

#include <algorithm>
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
    // The root stays as written; each folder and file after it is looked up,
    // and keeps the separator written before it.
    const std::size_t root = file_system::rootLength(path);
    std::string out = path.substr(0, root);
    char separator = 0;
    for (std::size_t at = root; at <= path.size(); ++at) {
        std::size_t end = at;
        while (end < path.size() && !file_system::isSeparator(path[end])) ++end;
        const std::string part = path.substr(at, end - at);
        if (!part.empty()) {
            const std::string dir = out.empty() ? "." : out;
            std::string entry = (part == "." || part == "..") ? part : file_system::findEntryNoCase(dir, part);
            // A name copied from Windows may be in its code page, not in UTF-8.
            const std::string text = file_system::nameText(part);
            if (entry.empty() && text != part) entry = file_system::findEntryNoCase(dir, text);
            if (entry.empty()) return {};
            if (separator != 0 && !out.empty() && !file_system::isSeparator(out.back())) out += separator;
            out += entry;
        }
        if (end < path.size()) separator = path[end];
        at = end;
    }
    return out;
}

std::size_t nameStart(const std::string& path) {
    std::size_t start = path.size();
    while (start > 0 && !file_system::isSeparator(path[start - 1])) --start;
    return start;
}

int16_t fileda(const std::string& path) {
    std::string real = resolvePathNoCase(path);
    if (real.empty()) return 0;
    if (!file_system::isRegularFile(real)) return 0;
    return static_cast<int16_t>(std::min<size_t>(real.size() - nameStart(real), 32767));
}

std::string readProgramFile(ProgramData& data, const std::string& path, std::string& content) {
    content.clear();
    const std::string real = resolvePathNoCase(path);
    if (real.empty()) return {};
    std::string reason;
    std::string fault = "Datei kann nicht gelesen werden: ";
    if (data.unreadableFiles.count(real) == 0 && file_system::readFile(real, content, reason)) {
        if (decodeFileText(content, reason)) return {};
        fault = "Datei ist beschädigt: ";
    }
    content.clear();
    if (!data.unreadableFiles.insert(real).second) return {};
    return fault + real + " (" + reason + ")\nEs gelten die Vorgaben; die Datei wird nicht überschrieben.";
}

void refuseUnreadable(const ProgramData& data, const std::string& realPath) {
    if (data.unreadableFiles.count(realPath) != 0)
        throw std::runtime_error(notSavedText(realPath, "war nicht lesbar"));
}

bool mayWriteProgramFile(ProgramData& data, const std::string& realPath,
                         const std::function<bool(const std::string& present)>& holds) {
    if (!data.readOnlyFolder) return true;
    std::string present, reason;
    if (!file_system::readFile(realPath, present, reason)) present.clear();
    if (holds(present)) return false;
    if (!data.unsavedNamed.insert(realPath).second) throw std::runtime_error("");
    throw std::runtime_error(notSavedText(realPath, "der Ordner wird in diesem Lauf nur gelesen"));
}

}  // namespace rumblet
