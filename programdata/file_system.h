// What the program's data needs of the file system beyond the C++ library:
// one implementation per operating system (posix/, win32/). Paths are UTF-8
// text on every system; each implementation converts at its edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace rumblet::file_system {

// The entry of folder `dir` whose name equals `name` without regard to
// letter case (the system's own comparison); an exact match wins, also for
// a link or a folder. Empty when there is none or the folder cannot be read.
std::string findEntryNoCase(const std::string& dir, const std::string& name);

// True for an ordinary file, following links.
bool isRegularFile(const std::string& path);

// True when this process may create files in the folder `dir`.
bool isWritableFolder(const std::string& dir);

// Reads the whole file at `path` into `content`. False when it cannot be
// read (no rights, a folder, another program holding it); `reason` then
// says why.
bool readFile(const std::string& path, std::string& content, std::string& reason);

// The longest file name, in bytes, that the file system of `dir` takes.
std::size_t maxNameBytes(const std::string& dir);

// A sound file name as IR.ini keeps it (bytes, as the program that wrote
// the file left them) as text: UTF-8 stays, other bytes are read in the code
// page of names written by Windows programs (Windows-1252 on Linux, the
// system's ANSI code page on Windows). Lookups, new file names and the
// editor's display all go through here, so they agree.
std::string nameText(std::string_view stored);

// The bytes IR.ini keeps for a file name picked as text: on Windows the
// ANSI code page where it holds the name, as programs of the system's own
// age wrote it; else (and on Linux) the UTF-8 text itself. nameText gives
// the text back.
std::string storedName(const std::string& text);

// True for a character that separates the folders of a path: '/', and on
// Windows also '\'.
bool isSeparator(char c);

// How many characters at the start of `path` name where it is rooted rather
// than a folder entry: "/" on Linux; a drive ("C:\", "C:") or a share
// ("\\server\share\") on Windows; 0 for a relative path.
std::size_t rootLength(const std::string& path);

// The folder in which the system keeps the player's own program data:
// $XDG_DATA_HOME (when absolute) or ~/.local/share on Linux, the roaming
// application data folder (%APPDATA%) on Windows. Empty when the system
// names none.
std::string userDataHome();

// A lock on one file that the system lets go of when the process ends,
// however it ends (killed, crashed), and when the lock goes out of scope.
class FileLock {
public:
    enum Outcome {
        HELD,            // this process holds it
        HELD_ELSEWHERE,  // another process holds it
        NO_LOCK,         // the file cannot be made or locked here (a folder that
                         // cannot be written, a file system without locks)
    };
    FileLock() = default;
    FileLock(FileLock&& other) noexcept
        : handle_(std::exchange(other.handle_, NONE)), outcome_(std::exchange(other.outcome_, NO_LOCK)) {}
    FileLock& operator=(FileLock&& other) noexcept {
        std::swap(handle_, other.handle_);
        std::swap(outcome_, other.outcome_);
        return *this;
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    Outcome outcome() const { return outcome_; }

    // Locks the file at `path` for this process alone, making it (empty)
    // where it is missing; never waits for another holder.
    static FileLock take(const std::string& path);

private:
    // The system's handle of the open file: a descriptor on POSIX systems, a
    // HANDLE on Windows; -1 is none on both.
    static constexpr std::intptr_t NONE = -1;
    FileLock(std::intptr_t handle, Outcome outcome) : handle_(handle), outcome_(outcome) {}
    std::intptr_t handle_ = NONE;
    Outcome outcome_ = NO_LOCK;
};

// A path of the program for the C++ library's file functions, and back:
// UTF-8 on both sides (std::filesystem would read a plain string in the
// system's code page on Windows).
inline std::filesystem::path nativePath(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}
inline std::string programPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace rumblet::file_system
