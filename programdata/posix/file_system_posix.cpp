// The file system on POSIX systems: the case-insensitive folder search, the
// atomic replace of a file, and where the player's own data lives.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "programdata/file_system.h"
#include "programdata/program_data.h"
#include "programdata/replace_file.h"
#include "programdata/text_values.h"

namespace rumblet {

namespace {

[[noreturn]] void failWrite(const std::string& path, const std::string& reason) {
    throw std::runtime_error(notSavedText(path, reason));
}

[[noreturn]] void failWrite(const std::string& path, int error) { failWrite(path, std::strerror(error)); }

// Symbolic link hops followed before giving up, as the system itself does.
constexpr int MAX_LINK_HOPS = 40;

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be synced (some file
// systems refuse) does not make the write fail, the file is already whole.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// mkstemp makes the new file private to its owner; the file that replaces
// the old one keeps the old one's permissions, or gets the usual ones.
mode_t permissionsFor(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The file a write to `path` must replace: the end of its chain of symbolic
// links (which need not exist yet), or `path` itself.
std::string linkTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < MAX_LINK_HOPS; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0) return current;
        target.resize(static_cast<size_t>(n));
        current = target.front() == '/' ? target : folderOf(current) + "/" + target;
    }
    errno = ELOOP;
    failWrite(path, errno);
}

// A file whose write rights the user took away keeps its contents: the
// rename would replace it all the same, so it is checked here.
void refuseReadOnly(const std::string& shown, const std::string& target) {
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) return;
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
        failWrite(shown, "schreibgeschützt");
}

}  // namespace

namespace file_system {

std::string findEntryNoCase(const std::string& dir, const std::string& name) {
    struct stat st;
    std::string exact = dir + "/" + name;
    if (lstat(exact.c_str(), &st) == 0) return name;
    DIR* d = opendir(dir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent* e = readdir(d)) {
        if (equalsNoCase(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isWritableFolder(const std::string& dir) {
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

bool readFile(const std::string& path, std::string& content, std::string& reason) {
    content.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st;
    int error = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    char chunk[4096];
    while (error == 0) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        content.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    if (error != 0) {
        content.clear();
        reason = std::strerror(error);
        return false;
    }
    return true;
}

std::size_t maxNameBytes(const std::string& dir) {
    constexpr long USUAL = 255;
    const long max = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    return static_cast<std::size_t>(max > 0 ? max : USUAL);
}

// Names copied from Windows came in its Western code page.
std::string nameText(std::string_view stored) {
    return isValidUtf8(stored) ? std::string(stored) : windows1252ToUtf8(stored);
}

// File names on Linux are UTF-8, and so are the names the editor stores.
std::string storedName(const std::string& text) { return text; }

bool isSeparator(char c) { return c == '/'; }

std::size_t rootLength(const std::string& path) { return !path.empty() && path[0] == '/' ? 1 : 0; }

// A relative XDG_DATA_HOME is to be ignored, as the XDG rules say.
std::string userDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return {};
    return (std::string(home) == "/" ? "" : std::string(home)) + "/.local/share";
}

// flock, not fcntl: its lock belongs to the open file, so a second lock in
// the same process is refused as well, and a child that the program starts
// never inherits it (close-on-exec).
FileLock FileLock::take(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    // A lock file made by another user may be locked without write rights.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return {fd, HELD};
    const Outcome outcome = errno == EWOULDBLOCK ? HELD_ELSEWHERE : NO_LOCK;
    ::close(fd);
    return {NONE, outcome};
}

FileLock::~FileLock() {
    if (handle_ != NONE) ::close(static_cast<int>(handle_));
}

}  // namespace file_system

void replaceFile(const std::string& path, const std::string& content) {
    const std::string target = linkTarget(path);
    refuseReadOnly(path, target);
    const std::string folder = folderOf(target);
    const auto slash = target.find_last_of('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // The new file's name must fit the file system even when the old one's
    // name is as long as it allows.
    std::string temp = folder + "/." + name.substr(0, REPLACE_NAME_PART) + std::string(NEW_FILE_KIND) + "XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) failWrite(path, errno);

    const bool written = ::fchmod(fd, permissionsFor(target)) == 0 && writeAll(fd, content) &&
                         ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = !written ? writeError : !closed ? closeError : errno;
        ::unlink(temp.c_str());
        failWrite(path, error);
    }
    syncFolder(folder);
}

}  // namespace rumblet
