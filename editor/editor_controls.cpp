#include "editor/editor_controls.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "programdata/file_system.h"
#include "programdata/program_data.h"

namespace rumblet {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Wildcard match without regard to letter case: "*" any run, "?" one char.
bool matchesNoCase(const std::string& name, const std::string& pattern) {
    std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool lessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

}  // namespace

std::vector<std::string> listMatchingFiles(const std::string& folder, const std::string& pattern) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::string real = resolvePathNoCase(folder);
    if (real.empty()) return names;
    std::error_code ec;
    for (fs::directory_iterator it(file_system::nativePath(real), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        std::string name = file_system::programPath(it->path().filename());
        if (matchesNoCase(name, pattern)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), lessNoCase);
    return names;
}

void FileList::setPattern(const std::string& p) {
    pattern = p;
    refresh();
}

void FileList::setPath(const std::string& p) {
    path = p;
    refresh();
}

void FileList::refresh() {
    items = path.empty() ? std::vector<std::string>{} : listMatchingFiles(path, pattern);
    listIndex = -1;
    notify();
}

void FileList::click(int index) {
    listIndex = (index >= 0 && index < static_cast<int>(items.size())) ? index : -1;
    notify();
    if (onClick) onClick();
}

std::string FileList::fileName() const {
    return listIndex >= 0 ? items[static_cast<std::size_t>(listIndex)] : std::string{};
}

}  // namespace rumblet
