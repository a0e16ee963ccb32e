// What users and other programs do to the files of rumblet, made for tests
// in the way of each system (posix/, win32/), so that one table of cases
// runs on both.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace rumblet::testing {

// While it lives, a new file that takes the place of the one at `path`
// cannot be completed: on Linux the disk is full (a file size limit far
// below any settings file); on Windows another program holds the file open,
// so nothing can take its place. (A full disk cannot be made under Wine:
// its files live on this machine's disk, whose limits a Windows program
// cannot set.)
class FailingReplace {
public:
    explicit FailingReplace(const std::string& path);
    ~FailingReplace();
    FailingReplace(const FailingReplace&) = delete;
    FailingReplace& operator=(const FailingReplace&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// While it lives, the file at `path` cannot be read: on Linux it has no
// read rights (root reads it all the same); on Windows another program
// holds it open for itself alone.
class UnreadableFile {
public:
    explicit UnreadableFile(const std::string& path);
    ~UnreadableFile();
    UnreadableFile(const UnreadableFile&) = delete;
    UnreadableFile& operator=(const UnreadableFile&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Something the user set on a file that a rewrite must keep: on Linux the
// rights rw-r----- , on Windows the hidden attribute.
void markAsUsers(const std::string& path);
bool hasUsersMark(const std::string& path);

// Makes `link` a symbolic link to `target` (relative to the link's
// folder); false where the system makes none (Wine 8 only pretends to).
// isLink tells whether a path is one.
bool makeLink(const std::string& target, const std::string& link);
bool isLink(const std::string& path);

// While it lives, the system names `folder` as the one for the player's own
// data (file_system::userDataHome): XDG_DATA_HOME on Linux, the user's shell
// folder for roaming application data on Windows.
class UserDataHomeAt {
public:
    explicit UserDataHomeAt(const std::string& folder);
    ~UserDataHomeAt();
    UserDataHomeAt(const UserDataHomeAt&) = delete;
    UserDataHomeAt& operator=(const UserDataHomeAt&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// `text` as Windows Notepad saves it as "Unicode" (UTF-16 little-endian) or
// "Unicode big endian": the byte order mark, then two bytes per unit.
inline std::string notepadUnicode(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

}  // namespace rumblet::testing
