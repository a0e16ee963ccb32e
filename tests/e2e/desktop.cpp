#include "desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

using namespace std::chrono_literals;

// The test's own environment with `extra` laid over it.
std::vector<std::string> environmentWith(const Environment& extra) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const auto eq = entry.find('=');
        if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [k, v] : extra) all[k] = v;
    std::vector<std::string> out;
    for (const auto& [k, v] : all) out.push_back(k + "=" + v);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Starts argv with stdout and stderr on the given descriptors.
pid_t spawn(std::vector<std::string> argv, const Environment& env, int out, int err, int keepOpen = -1) {
    std::vector<std::string> envStrings = environmentWith(env);
    auto argp = pointers(argv);
    auto envp = pointers(envStrings);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    posix_spawn_file_actions_adddup2(&actions, devNull, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    if (keepOpen >= 0) posix_spawn_file_actions_adddup2(&actions, keepOpen, keepOpen);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(devNull);
    return pid;
}

std::optional<int> reap(pid_t pid, bool block) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, block ? 0 : WNOHANG);
    if (r != pid) return std::nullopt;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const Environment& env, const std::string& logPath) {
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) return;
    pid_ = spawn(argv, env, log, log);
    close(log);
}

Child::~Child() { stop(); }

bool Child::running() {
    if (pid_ < 0 || status_) return false;
    status_ = reap(pid_, false);
    return !status_;
}

std::optional<int> Child::waitFor(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (running() && Clock::now() < end) std::this_thread::sleep_for(10ms);
    return status_;
}

void Child::stop() {
    if (!running()) return;
    kill(pid_, SIGTERM);
    if (!waitFor(2s)) {
        kill(pid_, SIGKILL);
        status_ = reap(pid_, true);
    }
}

CommandResult runCommand(const std::vector<std::string>& argv, const Environment& env,
                         std::chrono::milliseconds limit) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = spawn(argv, env, pipeFds[1], devNull);
    close(pipeFds[1]);
    close(devNull);
    CommandResult result;
    if (pid < 0) {
        close(pipeFds[0]);
        return result;
    }
    const auto end = Clock::now() + limit;
    char buffer[4096];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd fd{pipeFds[0], POLLIN, 0};
        if (left <= 0 || poll(&fd, 1, int(left)) <= 0) break;
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        result.output.append(buffer, size_t(got));
    }
    close(pipeFds[0]);
    std::optional<int> status = reap(pid, false);
    while (!status && Clock::now() < end) {
        std::this_thread::sleep_for(5ms);
        status = reap(pid, false);
    }
    if (!status) {
        kill(pid, SIGKILL);
        reap(pid, true);
        return {-1, result.output};
    }
    result.status = *status;
    return result;
}

VirtualDisplay::VirtualDisplay(const std::string& logPath) {
    // Xvfb picks a free display number and writes it to the descriptor.
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(pipeFds[1]);
    server_ = std::make_unique<Child>(
        std::vector<std::string>{"Xvfb", "-displayfd", fd, "-screen", "0", "1280x800x24", "-nolisten", "tcp"},
        Environment{}, logPath);
    close(pipeFds[1]);
    std::string number;
    char c;
    pollfd p{pipeFds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0 && read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipeFds[0]);
    if (!number.empty()) name_ = ":" + number;
}

std::optional<std::string> Desktop::findWindow(const std::string& titlePattern, std::chrono::milliseconds limit) const {
    const auto end = Clock::now() + limit;
    do {
        const auto r = runCommand({"xdotool", "search", "--onlyvisible", "--name", titlePattern}, env());
        if (r.status == 0 && !r.output.empty()) return r.output.substr(0, r.output.find('\n'));
        std::this_thread::sleep_for(100ms);
    } while (Clock::now() < end);
    return std::nullopt;
}

bool Desktop::click(const std::string& window, int x, int y) const {
    return runCommand({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y), "click", "1"},
                      env())
               .status == 0;
}

// The selection is cleared first and read only once a window holds one, so
// what is read is what the triple click selected, however late the program
// gets to the click.
std::optional<std::string> Desktop::selectText(const std::string& window, int x, int y) const {
    if (runCommand({xwindow_, "clear-selection"}, env()).status != 0) return std::nullopt;
    const auto clicked = runCommand({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y),
                                     "click", "--repeat", "3", "--delay", "40", "1"},
                                    env());
    if (clicked.status != 0) return std::nullopt;
    const auto r = runCommand({xwindow_, "selection"}, env());
    if (r.status != 0) return std::nullopt;
    std::string text = r.output;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

bool Desktop::screenshot(const std::string& window, const std::string& pngPath) const {
    return runCommand({"import", "-window", window, pngPath}, env()).status == 0;
}

std::string Desktop::pixels(const std::string& window, int x, int y, int width, int height) const {
    const std::string area = std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
                             std::to_string(y);
    const auto r = runCommand({"import", "-window", window, "-crop", area, "-depth", "8", "rgb:-"}, env());
    return r.status == 0 && r.output.size() == size_t(width) * size_t(height) * 3 ? r.output : std::string();
}

bool Desktop::move(const std::string& window, int x, int y) const {
    return runCommand({"xdotool", "windowmove", "--sync", window, std::to_string(x), std::to_string(y)}, env()).status ==
           0;
}

bool Desktop::close(const std::string& window) const { return runCommand({xwindow_, "close", window}, env()).status == 0; }

}  // namespace e2e
