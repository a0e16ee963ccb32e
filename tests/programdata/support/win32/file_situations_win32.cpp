// The file situations on Windows: another program holding a file, the
// hidden attribute, symbolic links and the user's shell folders.
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <vector>

#include "programdata/file_system.h"
#include "tests/programdata/support/file_situations.h"

namespace rumblet::testing {

namespace {

std::wstring wide(const std::string& path) { return file_system::nativePath(path).wstring(); }

// Opens `path` as another program would that lets others only read it,
// or nothing at all.
HANDLE holdOpen(const std::string& path, DWORD sharing) {
    const HANDLE file = ::CreateFileW(wide(path).c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path + " open");
    return file;
}

}  // namespace

struct FailingReplace::State {
    HANDLE file;
};

FailingReplace::FailingReplace(const std::string& path)
    : state_(std::make_unique<State>(State{holdOpen(path, FILE_SHARE_READ)})) {}

FailingReplace::~FailingReplace() { ::CloseHandle(state_->file); }

struct UnreadableFile::State {
    HANDLE file;
};

UnreadableFile::UnreadableFile(const std::string& path) : state_(std::make_unique<State>(State{holdOpen(path, 0)})) {}

UnreadableFile::~UnreadableFile() { ::CloseHandle(state_->file); }

void markAsUsers(const std::string& path) {
    ::SetFileAttributesW(wide(path).c_str(), ::GetFileAttributesW(wide(path).c_str()) | FILE_ATTRIBUTE_HIDDEN);
}

bool hasUsersMark(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
}

bool makeLink(const std::string& target, const std::string& link) {
    std::wstring to = wide(target);
    for (wchar_t& c : to) c = c == L'/' ? L'\\' : c;
    return ::CreateSymbolicLinkW(wide(link).c_str(), to.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
           isLink(link);
}

bool isLink(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The place that the shell's known folder takes the roaming application
// data from; the old entry comes back when the object goes.
constexpr const wchar_t* SHELL_FOLDERS = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const wchar_t* APP_DATA = L"AppData";

struct UserDataHomeAt::State {
    std::optional<std::vector<BYTE>> old;
    DWORD oldType = REG_EXPAND_SZ;
};

UserDataHomeAt::UserDataHomeAt(const std::string& folder) : state_(std::make_unique<State>()) {
    HKEY key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, SHELL_FOLDERS, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot open the user's shell folders");
    DWORD size = 0;
    if (::RegQueryValueExW(key, APP_DATA, nullptr, &state_->oldType, nullptr, &size) == ERROR_SUCCESS) {
        state_->old.emplace(size);
        ::RegQueryValueExW(key, APP_DATA, nullptr, &state_->oldType, state_->old->data(), &size);
    }
    const std::wstring value = wide(folder);
    ::RegSetValueExW(key, APP_DATA, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

UserDataHomeAt::~UserDataHomeAt() {
    HKEY key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SHELL_FOLDERS, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    if (state_->old) {
        ::RegSetValueExW(key, APP_DATA, 0, state_->oldType, state_->old->data(),
                         static_cast<DWORD>(state_->old->size()));
    } else {
        ::RegDeleteValueW(key, APP_DATA);
    }
    ::RegCloseKey(key);
}

}  // namespace rumblet::testing
