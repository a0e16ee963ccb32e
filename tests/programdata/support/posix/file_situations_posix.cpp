// The file situations on Linux: rights, a file size limit for a full disk,
// symbolic links and XDG_DATA_HOME.
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "tests/programdata/support/file_situations.h"

namespace rumblet::testing {

namespace fs = std::filesystem;

struct FailingReplace::State {
    rlimit old{};
    sighandler_t oldHandler = SIG_DFL;
};

// Writing past the limit fails as ENOSPC would; the signal that would end
// the process is ignored.
FailingReplace::FailingReplace(const std::string&) : state_(std::make_unique<State>()) {
    constexpr rlim_t FULL_AFTER_BYTES = 8;
    getrlimit(RLIMIT_FSIZE, &state_->old);
    state_->oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = state_->old;
    limit.rlim_cur = FULL_AFTER_BYTES;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FailingReplace::~FailingReplace() {
    setrlimit(RLIMIT_FSIZE, &state_->old);
    signal(SIGXFSZ, state_->oldHandler);
}

struct UnreadableFile::State {
    std::string path;
};

UnreadableFile::UnreadableFile(const std::string& path) : state_(std::make_unique<State>(State{path})) {
    fs::permissions(path, fs::perms::none);
}

UnreadableFile::~UnreadableFile() {
    std::error_code ignored;
    fs::permissions(state_->path, fs::perms::owner_read | fs::perms::owner_write, ignored);
}

constexpr fs::perms USERS_RIGHTS = fs::perms(0640);

void markAsUsers(const std::string& path) { fs::permissions(path, USERS_RIGHTS); }

bool hasUsersMark(const std::string& path) { return fs::status(path).permissions() == USERS_RIGHTS; }

bool makeLink(const std::string& target, const std::string& link) {
    fs::create_symlink(target, link);
    return true;
}

bool isLink(const std::string& path) { return fs::is_symlink(path); }

struct UserDataHomeAt::State {
    std::optional<std::string> old;
};

UserDataHomeAt::UserDataHomeAt(const std::string& folder) : state_(std::make_unique<State>()) {
    if (const char* old = getenv("XDG_DATA_HOME")) state_->old = old;
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
}

UserDataHomeAt::~UserDataHomeAt() {
    if (state_->old) {
        setenv("XDG_DATA_HOME", state_->old->c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

}  // namespace rumblet::testing
