#include "posix/modem_line_watcher.h"

#include <linux/serial.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "edge_record.h"
#include "posix/monotonic_clock.h"
#include "posix/edge_sources.h"

namespace port {

namespace {

void interrupted(int) {}

// The signal that ends the watcher's wait, or 0 when the program uses it.
int stopSignal() {
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

class Watcher final : public ModemLineWatcher {
public:
    Watcher(int fd, std::string path, serial_icounter_struct counts)
        : fd_(fd), path_(std::move(path)), dcdCount_(counts.dcd),
          record_(EdgeSourceKind::watcher, monotonicNowNs(), monotonicNowNs) {
        int lines = 0;
        high_ = ioctl(fd_, TIOCMGET, &lines) == 0 && (lines & TIOCM_CAR) != 0;
        thread_ = std::thread([this] { run(); });
    }
    ~Watcher() override {
        stop_ = true;
        // The signal may come just before the thread enters its wait; it is
        // sent again until the thread has seen the stop.
        while (!ended_) {
            pthread_kill(thread_.native_handle(), stopSignal());
            timespec pause{0, 1'000'000};
            nanosleep(&pause, nullptr);
        }
        thread_.join();
    }

    LineEdges& edges() override { return record_; }

private:
    void run() {
        askForRealtimePriority();
        while (!stop_) {
            if (ioctl(fd_, TIOCMIWAIT, TIOCM_CD) != 0) {
                if (errno == EINTR) continue;
                std::fprintf(stderr, "port: %s: the receiver's line can no longer be watched: %s\n", path_.c_str(),
                             std::strerror(errno));
                record_.markFailed();
                break;
            }
            const int64_t now = monotonicNowNs();
            serial_icounter_struct counts{};
            int lines = 0;
            if (ioctl(fd_, TIOCGICOUNT, &counts) != 0 || ioctl(fd_, TIOCMGET, &lines) != 0) continue;
            const int changes = counts.dcd - dcdCount_;
            dcdCount_ = counts.dcd;
            if (changes == 0) continue;
            const bool high = (lines & TIOCM_CAR) != 0;
            if (changes > 1) record_.markLost();
            if (high != high_) record_.add(now, high);
            high_ = high;
        }
        ended_ = true;
    }

    int fd_;
    std::string path_;
    int dcdCount_;
    bool high_ = true;
    EdgeRecord record_;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> ended_ = false;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<ModemLineWatcher> watchModemLines(int fd, const std::string& path) {
    serial_icounter_struct counts{};
    if (ioctl(fd, TIOCGICOUNT, &counts) != 0 || stopSignal() == 0) return nullptr;
    return std::make_unique<Watcher>(fd, path, counts);
}

}  // namespace port
