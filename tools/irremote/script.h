// irremote's scripts: a plain text file of timed actions on the remotes, for
// tests and demos. One action per line, `#` starts a comment:
//
//   [at T] start N model M mode training|munition|ladezeit [single|team] [new|old]
//   [at T] drive N left L right R [for D]
//   [at T] fire N
//   [at T] turret N [for D]      (without `for`: until `turret N stop`)
//   [at T] turret N stop
//   [at T] off N
//   [at T] silence D             (every remote off, then D seconds of quiet)
//   [at T] wait D
//
// T is seconds from the start of the script, never before the line above; a
// line without `at` follows the line before it when that line's own time
// (`for`, `silence`, `wait`) is up. So `at` lets a line overlap the one above
// (fire while a `drive ... for` still runs).
// `for D` releases the keys after D seconds (tracks back to 0, turret off).
// N is the controller 0-3, M the model number 0-31, L and R -15..15.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "remote.h"

namespace irremote {

struct ScriptAction {
    enum class Kind { switchOn, tracks, fire, turretOn, turretOff, switchOff, allOff };

    double atSeconds = 0.0;
    Kind kind = Kind::tracks;
    int controller = 0;
    int model = 0;
    Announcement announcement;
    int left = 0;
    int right = 0;
    int line = 0;  // script line it came from
};

struct Script {
    std::vector<ScriptAction> actions;  // in time order
    double endSeconds = 0.0;            // when the last action or quiet time is over
};

// A line the script cannot use: the message names the line and the problem.
class ScriptError : public std::runtime_error {
public:
    ScriptError(int line, const std::string& problem)
        : std::runtime_error("line " + std::to_string(line) + ": " + problem), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

Script parseScript(std::string_view text);

// What the action does to the remotes.
void applyAction(const ScriptAction& action, Remote& remote);

// The action as a short text for irremote's log ("drive 0 left 5 right 5").
std::string describe(const ScriptAction& action);

// Plays a script against the clock: hands out the actions as their time comes.
class ScriptPlayer {
public:
    explicit ScriptPlayer(Script script) : script_(std::move(script)) {}

    // Applies every action due by `elapsedSeconds` to `remote`; returns them.
    std::vector<ScriptAction> advance(double elapsedSeconds, Remote& remote);

    bool finished(double elapsedSeconds) const {
        return next_ == script_.actions.size() && elapsedSeconds >= script_.endSeconds;
    }

private:
    Script script_;
    size_t next_ = 0;
};

}  // namespace irremote
