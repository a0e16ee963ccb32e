// The file system on POSIX systems: the case-insensitive folder search and
// the atomic replace of a file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "programdata/file_system.h"
#include "programdata/program_data.h"
#include "programdata/replace_file.h"

namespace rumblet {

namespace {

[[noreturn]] void failWrite(const std::string& path, int error) {
    throw std::runtime_error("Datei konnte nicht geschrieben werden: " + path + " (" +
                             std::strerror(error) + ")");
}

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

}  // namespace file_system

void replaceFile(const std::string& path, const std::string& content) {
    const std::string folder = folderOf(path);
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "/." + name + ".new-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) failWrite(path, errno);

    const bool written = ::fchmod(fd, permissionsFor(path)) == 0 && writeAll(fd, content) &&
                         ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = !written ? writeError : !closed ? closeError : errno;
        ::unlink(temp.c_str());
        failWrite(path, error);
    }
    syncFolder(folder);
}

}  // namespace rumblet
