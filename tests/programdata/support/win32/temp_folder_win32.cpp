// The tests' temp folder (sound/testing/test_waves.h) for the Windows test
// programs, which have no wave writer: names are UTF-8 like every path of
// the program, so a name with umlauts reaches the disk as such.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "programdata/file_system.h"
#include "sound/testing/test_waves.h"

namespace rumblet::testing {

using file_system::nativePath;
using file_system::programPath;

TempFolder::TempFolder() {
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::filesystem::path candidate =
            temp / ("rumblet-" + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(::GetTickCount64() % 100000) + "-" + std::to_string(attempt));
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) path_ = programPath(candidate);
    }
    if (path_.empty()) throw std::runtime_error("cannot create a temp folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(nativePath(path_), ignored);
}

std::string TempFolder::write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path full = nativePath(path_) / nativePath(relative);
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return programPath(full);
}

std::string TempFolder::read(const std::string& relative) const {
    std::ifstream in(nativePath(path_) / nativePath(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TempFolder::folder(const std::string& relative) const {
    const std::filesystem::path full = nativePath(path_) / nativePath(relative);
    std::filesystem::create_directories(full);
    return programPath(full);
}

}  // namespace rumblet::testing
