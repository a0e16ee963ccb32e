// The file system on Windows: the case-insensitive folder search with the
// system's own comparison, the replace of a file that keeps the old one when
// anything fails, names in the ANSI code page, and where the player's own
// data lives. Paths arrive as UTF-8 and reach the system through its wide
// functions only.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <stdexcept>

#include "programdata/file_system.h"
#include "programdata/program_data.h"
#include "programdata/replace_file.h"
#include "programdata/text_values.h"
#include "sound/win32/utf8_win32.h"

namespace rumblet {

namespace {

// The path for the wide functions; empty (which names nothing) when it is no UTF-8.
std::wstring widePath(const std::string& path) {
    std::wstring wide;
    wideFromUtf8(path, wide);
    return wide;
}

// The system's own words for an error, in the user's language, without the
// full stop and line end it ends them with.
std::string systemText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", n);
    ::LocalFree(buffer);
    while (!text.empty() && (std::iswspace(text.back()) || text.back() == L'.')) text.pop_back();
    return text.empty() ? "Fehler " + std::to_string(error) : utf8FromWide(text);
}

bool isWideSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// `dir` and `name` joined by one separator (none after a drive's colon).
std::wstring joined(std::wstring dir, const std::wstring& name) {
    if (!dir.empty() && !isWideSeparator(dir.back()) && dir.back() != L':') dir += L'\\';
    return dir + name;
}

bool sameNoCase(const wchar_t* a, const wchar_t* b) {
    return ::CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// The names the system keeps for devices (CON, NUL, COM1, LPT1, ...), also
// with an extension: "com1.wav" opens the serial port, never a file.
bool isDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
        return true;
    const std::string port = base.substr(0, 3);
    if ((port != "COM" && port != "LPT") || base.size() < 4) return false;
    const std::string number = base.substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

// A name that some folder entry can carry: no character Windows keeps out
// of names (wildcards among them) and no device.
bool canNameEntry(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    }
    return !isDeviceName(name);
}

[[noreturn]] void failWrite(const std::string& path, const std::string& reason) {
    throw std::runtime_error(notSavedText(path, reason));
}

// Another program (a virus scanner, an indexer, an editor) that holds the
// file for a moment makes the replace fail with these; it is tried again a
// few times before the save is reported as failed.
bool mayPass(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}
constexpr int REPLACE_ATTEMPTS = 5;
constexpr DWORD REPLACE_RETRY_MS = 40;

// A name beside `target` that no file has yet: ".IR.ini.new-1a2b3c".
std::wstring nameBeside(const std::wstring& target, std::string_view kind) {
    static unsigned counter = 0;
    const size_t slash = target.find_last_of(L"\\/");
    const size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    // The new file's name must fit the file system even when the old one's
    // name is as long as it allows.
    const unsigned suffix =
        (::GetCurrentProcessId() * 2654435761u) ^ static_cast<unsigned>(::GetTickCount64()) ^ (++counter * 40503u);
    wchar_t hex[16];
    std::swprintf(hex, 16, L"%06x", suffix & 0xFFFFFFu);
    return target.substr(0, start) + L"." + target.substr(start, REPLACE_NAME_PART) +
           std::wstring(kind.begin(), kind.end()) + hex;
}

// The file a write to `target` must replace: where a symbolic link leads,
// or `target` itself.
std::wstring linkTarget(const std::wstring& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return target;
    const HANDLE file = ::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return target;
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
        final.resize(n + 1);
        n = ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(file);
    if (n == 0 || n >= final.size()) return target;
    final.resize(n);
    // "\\?\C:\..." and "\\?\UNC\server\share\..." as the other functions take them.
    if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + final.substr(8);
    if (final.rfind(L"\\\\?\\", 0) == 0) return final.substr(4);
    return final;
}

// A file the user made read-only, or may not write, keeps its contents:
// the replace would go through all the same.
bool isReadOnly(const std::wstring& target, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) return true;
    constexpr DWORD ANY_SHARING = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE file = ::CreateFileW(target.c_str(), GENERIC_WRITE, ANY_SHARING, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
        return false;
    }
    return ::GetLastError() == ERROR_ACCESS_DENIED;
}

// Writes `content` into a new hidden file beside `target`; its name, or
// the error.
DWORD writeNewFile(const std::wstring& target, const std::string& content, std::wstring& temp) {
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = nameBeside(target, NEW_FILE_KIND);
        file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return ::GetLastError();
    }
    if (file == INVALID_HANDLE_VALUE) return ERROR_FILE_EXISTS;
    DWORD error = ERROR_SUCCESS;
    for (size_t done = 0; done < content.size() && error == ERROR_SUCCESS;) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr)) error = ::GetLastError();
        else if (written == 0) error = ERROR_WRITE_FAULT;
        done += written;
    }
    // On the disk before it takes the old file's name.
    if (error == ERROR_SUCCESS && !::FlushFileBuffers(file)) error = ::GetLastError();
    if (!::CloseHandle(file) && error == ERROR_SUCCESS) error = ::GetLastError();
    if (error != ERROR_SUCCESS) ::DeleteFileW(temp.c_str());
    return error;
}

// Puts `temp` in the place of the existing `target`. ReplaceFileW keeps
// the old file's identity (its rights, its creation time); it is given a
// backup name, without which one of its failures would leave the old file
// nowhere under its name. Where it cannot work (some network folders),
// the plain rename over the old file does the same in one step.
DWORD replaceExisting(const std::wstring& target, const std::wstring& temp) {
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < REPLACE_ATTEMPTS; ++attempt) {
        if (attempt > 0) ::Sleep(REPLACE_RETRY_MS);
        const std::wstring backup = nameBeside(target, OLD_FILE_KIND);
        if (::ReplaceFileW(target.c_str(), temp.c_str(), backup.c_str(),
                           REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
            ::DeleteFileW(backup.c_str());
            return ERROR_SUCCESS;
        }
        error = ::GetLastError();
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file was moved to the backup name: it goes back.
            ::MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            return error;
        }
        if (!mayPass(error)) break;
    }
    if (mayPass(error)) return error;
    if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    return error;
}

DWORD moveIntoPlace(const std::wstring& target, const std::wstring& temp) {
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < REPLACE_ATTEMPTS; ++attempt) {
        if (attempt > 0) ::Sleep(REPLACE_RETRY_MS);
        if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        error = ::GetLastError();
        if (!mayPass(error)) break;
    }
    return error;
}

}  // namespace

namespace file_system {

std::string findEntryNoCase(const std::string& dir, const std::string& name) {
    std::wstring wideName;
    if (name.empty() || !canNameEntry(name) || !wideFromUtf8(name, wideName)) return {};
    const std::wstring wideDir = dir.empty() ? L"." : widePath(dir);
    if (wideDir.empty()) return {};
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileExW(joined(wideDir, wideName).c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return {};
    ::FindClose(search);
    if (wideName == entry.cFileName) return name;
    // The system also matches a short name, and a name with trailing dots
    // or blanks cut off; only a name of the same letters is this entry.
    if (!sameNoCase(entry.cFileName, wideName.c_str())) return {};
    const std::wstring match = entry.cFileName;
    // A folder that tells letter cases apart can hold the exact name beside it.
    search = ::FindFirstFileExW(joined(wideDir, L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search != INVALID_HANDLE_VALUE) {
        bool exact = false;
        do {
            exact = wideName == entry.cFileName;
        } while (!exact && ::FindNextFileW(search, &entry));
        ::FindClose(search);
        if (exact) return name;
    }
    return utf8FromWide(match);
}

bool isRegularFile(const std::string& path) {
    const std::wstring wide = widePath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (wide.empty() || !::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
    constexpr DWORD NO_FILE = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return !(data.dwFileAttributes & NO_FILE);
    // A link: what it leads to counts.
    const HANDLE file = ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool regular = ::GetFileInformationByHandle(file, &info) && !(info.dwFileAttributes & NO_FILE);
    ::CloseHandle(file);
    return regular;
}

// Rights on Windows are lists that only the attempt itself reads right: a
// file is made, and goes again when it is closed.
bool isWritableFolder(const std::string& dir) {
    const std::wstring wide = widePath(dir);
    const DWORD attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring probe = nameBeside(joined(wide, L"rumblet"), ".write-test-");
        const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                          nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool readFile(const std::string& path, std::string& content, std::string& reason) {
    content.clear();
    const std::wstring wide = widePath(path);
    const HANDLE file = wide.empty() ? INVALID_HANDLE_VALUE
                                     : ::CreateFileW(wide.c_str(), GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = systemText(wide.empty() ? ERROR_INVALID_NAME : ::GetLastError());
        return false;
    }
    DWORD error = ERROR_SUCCESS;
    std::array<char, 65536> chunk;
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &n, nullptr)) {
            error = ::GetLastError();
            break;
        }
        if (n == 0) break;
        content.append(chunk.data(), n);
    }
    ::CloseHandle(file);
    if (error != ERROR_SUCCESS) {
        content.clear();
        reason = systemText(error);
        return false;
    }
    return true;
}

std::size_t maxNameBytes(const std::string& dir) {
    constexpr std::size_t USUAL = 255;
    const std::wstring wide = widePath(dir.empty() ? "." : dir);
    std::array<wchar_t, MAX_PATH + 1> volume{};
    DWORD longest = 0;
    if (!wide.empty() && ::GetVolumePathNameW(wide.c_str(), volume.data(), static_cast<DWORD>(volume.size())) &&
        ::GetVolumeInformationW(volume.data(), nullptr, 0, nullptr, &longest, nullptr, nullptr, 0) && longest > 0)
        return longest;
    return USUAL;
}

// Names written by the programs of Windows' own age are in its ANSI code
// page; a name in UTF-8 (from rumblet on Linux, or one the code page cannot
// hold) is taken as it is. Umlauts in the code page are never UTF-8.
std::string nameText(std::string_view stored) {
    if (isValidUtf8(stored)) return std::string(stored);
    const int size = static_cast<int>(stored.size());
    const int n = ::MultiByteToWideChar(CP_ACP, 0, stored.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, stored.data(), size, wide.data(), n);
    return utf8FromWide(wide);
}

std::string storedName(const std::string& text) {
    std::wstring wide;
    if (!wideFromUtf8(text, wide) || wide.empty()) return text;
    const int size = static_cast<int>(wide.size());
    BOOL lost = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost) return text;
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), n, nullptr, &lost);
    // Bytes that would read back as other text stay UTF-8.
    return !lost && nameText(bytes) == text ? bytes : text;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::size_t rootLength(const std::string& path) {
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // \\server\share\ : the server's and the share's names belong to the root.
        std::size_t at = 2;
        for (int part = 0; part < 2 && at < path.size(); ++part) {
            while (at < path.size() && !isSeparator(path[at])) ++at;
            if (at < path.size()) ++at;
        }
        return at;
    }
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (drive) return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
    return !path.empty() && isSeparator(path[0]) ? 1 : 0;
}

// The folder is named even where it does not exist yet; the data folder
// is made with its parents.
std::string userDataHome() {
    wchar_t* folder = nullptr;
    std::string home;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, &folder)))
        home = utf8FromWide(folder);
    ::CoTaskMemFree(folder);
    return home;
}

// A byte range lock on a handle that lets others read the file: the lock,
// not the sharing, refuses the second holder, so a virus scanner looking at
// the file for a moment does not make it look held.
FileLock FileLock::take(const std::string& path) {
    const std::wstring wide = widePath(path);
    if (wide.empty()) return {};
    const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    OVERLAPPED at{};
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return {reinterpret_cast<std::intptr_t>(file), HELD};
    const Outcome outcome = ::GetLastError() == ERROR_LOCK_VIOLATION ? HELD_ELSEWHERE : NO_LOCK;
    ::CloseHandle(file);
    return {NONE, outcome};
}

// Closing the handle lets go of its lock.
FileLock::~FileLock() {
    if (handle_ != NONE) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace file_system

void replaceFile(const std::string& path, const std::string& content) {
    std::wstring wide;
    if (!wideFromUtf8(path, wide) || wide.empty()) failWrite(path, systemText(ERROR_INVALID_NAME));
    const std::wstring target = linkTarget(wide);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    const bool folder = exists && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (exists && !folder && isReadOnly(target, attributes)) failWrite(path, "schreibgeschützt");

    std::wstring temp;
    DWORD error = writeNewFile(target, content, temp);
    if (error != ERROR_SUCCESS) failWrite(path, systemText(error));
    // The new file looks like the old one (hidden stays hidden); it is new
    // for the backup programs.
    constexpr DWORD KEPT = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    ::SetFileAttributesW(temp.c_str(), (exists && !folder ? attributes & KEPT : 0) | FILE_ATTRIBUTE_ARCHIVE);
    error = exists && !folder ? replaceExisting(target, temp) : moveIntoPlace(target, temp);
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(temp.c_str());
        failWrite(path, systemText(error));
    }
}

}  // namespace rumblet
