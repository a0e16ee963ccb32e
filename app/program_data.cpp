#include "app/program_data.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

namespace rumblet {

bool isEmptySoundName(const std::string& file) {
    return strcasecmp(file.c_str(), EMPTY_SOUND) == 0;
}

void ProgramData::releaseSound() {
    for (auto& c : controllers) {
        c.enginesound.buffer.reset();
        c.shotsound.buffer.reset();
        c.turretsound.buffer.reset();
    }
    directsound.reset();
    directx.reset();
}

namespace {

// The entry of `dir` whose name equals `name` without regard to letter
// case; an exact match wins. Empty when there is none.
std::string findEntryNoCase(const std::string& dir, const std::string& name) {
    struct stat st;
    std::string exact = dir + "/" + name;
    if (lstat(exact.c_str(), &st) == 0) return name;
    DIR* d = opendir(dir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

}  // namespace

std::string resolvePathNoCase(const std::string& path) {
    if (path.empty()) return {};
    const bool absolute = path[0] == '/';
    std::string out = absolute ? "/" : "";
    std::stringstream ss(path);
    for (std::string part; std::getline(ss, part, '/');) {
        if (part.empty()) continue;
        std::string dir = out.empty() ? "." : out;
        std::string entry = (part == "." || part == "..") ? part : findEntryNoCase(dir, part);
        if (entry.empty()) return {};
        if (!out.empty() && out.back() != '/') out += '/';
        out += entry;
    }
    return out;
}

int16_t fileda(const std::string& path) {
    std::string real = resolvePathNoCase(path);
    if (real.empty()) return 0;
    struct stat st;
    if (stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    auto slash = real.find_last_of('/');
    std::string name = slash == std::string::npos ? real : real.substr(slash + 1);
    return static_cast<int16_t>(std::min<size_t>(name.size(), 32767));
}

}  // namespace rumblet
