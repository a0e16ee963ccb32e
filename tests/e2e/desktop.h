// Driving real programs on a virtual X display as a person would: start
// them, find their windows, click, select the text of a field, take
// screenshots, close windows. Used by the end-to-end tests and the demo.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, as the frames' times
using Environment = std::map<std::string, std::string>;  // added to (or replacing) the test's own

// A program started in the background, its output going to a log file. It is
// stopped when the object goes.
class Child {
public:
    Child(const std::vector<std::string>& argv, const Environment& env, const std::string& logPath);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // The exit status once it has ended within `limit`.
    std::optional<int> waitFor(std::chrono::milliseconds limit);
    // SIGTERM, and SIGKILL if it is still there after two seconds.
    void stop();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct CommandResult {
    int status = -1;  // exit status; -1 when it could not run or ran out of time
    std::string output;
};

// Runs a command to its end (at most `limit`) and returns its standard output.
CommandResult runCommand(const std::vector<std::string>& argv, const Environment& env,
                         std::chrono::milliseconds limit = std::chrono::seconds(10));

// An Xvfb server on a free display number.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const std::string& logPath);
    const std::string& name() const { return name_; }  // ":N", empty when Xvfb did not start
    Environment environment() const { return {{"DISPLAY", name_}}; }

private:
    std::unique_ptr<Child> server_;
    std::string name_;
};

// The tools on a display.
class Desktop {
public:
    Desktop(std::string display, std::string xwindowTool) : display_(std::move(display)), xwindow_(std::move(xwindowTool)) {}

    // The visible window whose title matches `titlePattern` (a regular
    // expression), waiting up to `limit` for it to appear.
    std::optional<std::string> findWindow(const std::string& titlePattern, std::chrono::milliseconds limit) const;
    // A left click at (x, y) pixels inside the window.
    bool click(const std::string& window, int x, int y) const;
    // The text of the text field at (x, y), selected by a triple click.
    std::optional<std::string> selectText(const std::string& window, int x, int y) const;
    bool screenshot(const std::string& window, const std::string& pngPath) const;
    // The pixels of a rectangle of the window, row by row, 8-bit RGB; empty
    // when they cannot be read. For seeing whether a click has taken effect.
    std::string pixels(const std::string& window, int x, int y, int width, int height) const;
    // Moves the window so that its top left corner is at (x, y) on the screen.
    bool move(const std::string& window, int x, int y) const;
    // Asks the window to close, as its close button does.
    bool close(const std::string& window) const;

private:
    Environment env() const { return {{"DISPLAY", display_}}; }
    std::string display_;
    std::string xwindow_;
};

}  // namespace e2e
