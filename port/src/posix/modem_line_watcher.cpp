#include "posix/modem_line_watcher.h"

#include <linux/serial.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "posix/edge_sources.h"
#include "posix/monotonic_clock.h"

namespace port {

namespace {

void interrupted(int) {}

// The signal that ends the watcher's wait, or 0 when the program uses it.
int wakeSignal() {
    static const int signal = [] {
        const int chosen = SIGRTMAX - 2;
        struct sigaction current {};
        if (sigaction(chosen, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return 0;
        struct sigaction action {};
        action.sa_handler = interrupted;  // no SA_RESTART: the wait ends with EINTR
        sigemptyset(&action.sa_mask);
        return sigaction(chosen, &action, nullptr) == 0 ? chosen : 0;
    }();
    return signal;
}

// The tty's modem-line ioctls behind the watch.
class TtyLines final : public LineWatchSystem {
public:
    TtyLines(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    void setThread(pthread_t thread) { thread_ = thread; }

    int64_t now() override { return monotonicNowNs(); }
    int64_t countsPerSecond() override { return 1'000'000'000; }

    bool look(LineLook& look) override {
        serial_icounter_struct counts{};
        int lines = 0;
        if (ioctl(fd_, TIOCGICOUNT, &counts) != 0 || ioctl(fd_, TIOCMGET, &lines) != 0) {
            error_ = errno;
            return false;
        }
        look.high = (lines & TIOCM_CAR) != 0;
        look.changes = static_cast<uint32_t>(counts.dcd);
        return true;
    }

    Wake wait() override {
        if (ioctl(fd_, TIOCMIWAIT, TIOCM_CD) == 0) return Wake::change;
        if (errno == EINTR) return Wake::kick;
        error_ = errno;
        return Wake::failed;
    }

    void kick() override { pthread_kill(thread_, wakeSignal()); }

    void pause() override {
        timespec pause{0, 100'000};
        nanosleep(&pause, nullptr);
    }

    std::string failure() override {
        return path_ + ": the receiver's line can no longer be watched: " + std::strerror(error_);
    }

private:
    int fd_;
    std::string path_;
    pthread_t thread_{};
    int error_ = 0;
};

class Watcher final : public LineWatcher {
public:
    Watcher(int fd, std::string path) : lines_(fd, std::move(path)), watch_(lines_) {
        thread_ = std::thread([this] {
            askForRealtimePriority();
            watch_.run();
        });
        lines_.setThread(thread_.native_handle());
    }
    ~Watcher() override {
        watch_.stop();
        thread_.join();
    }

    bool waitsWork() { return watch_.waitsWork(); }
    LineEdges& edges() override { return watch_.record(); }

private:
    TtyLines lines_;
    ModemLineWatch watch_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<LineWatcher> watchModemLines(int fd, const std::string& path) {
    serial_icounter_struct counts{};
    if (ioctl(fd, TIOCGICOUNT, &counts) != 0 || wakeSignal() == 0) return nullptr;
    auto watcher = std::make_unique<Watcher>(fd, path);
    if (!watcher->waitsWork()) return nullptr;
    return watcher;
}

}  // namespace port
