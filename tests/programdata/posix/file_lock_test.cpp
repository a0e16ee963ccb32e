// The lock that keeps a second rumblet off a data folder, across processes
// as a second start meets it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "programdata/file_system.h"

namespace rumblet {
namespace {

using file_system::FileLock;

TEST(FileLock, IsHeldByOneProcessAtATimeAndLetGoWhenItsHolderIsKilled) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("file-lock-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / ".rumblet.lock").string();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const FileLock lock = FileLock::take(path);
        const char held = lock.outcome() == FileLock::HELD ? 'y' : 'n';
        if (::write(ready[1], &held, 1) == 1) ::pause();
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, 'y');
    EXPECT_EQ(FileLock::take(path).outcome(), FileLock::HELD_ELSEWHERE);

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(FileLock::take(path).outcome(), FileLock::HELD) << "a killed copy locks the player out";
    // A folder where no lock can be made keeps no one out.
    EXPECT_EQ(FileLock::take((dir / "gone" / ".rumblet.lock").string()).outcome(), FileLock::NO_LOCK);
    ::close(ready[0]);
    ::close(ready[1]);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace rumblet
