#include "script.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

namespace irremote {

namespace {

// The words of one line, read left to right.
class Words {
public:
    Words(std::vector<std::string> words, int line) : words_(std::move(words)), line_(line) {}

    bool done() const { return at_ == words_.size(); }
    bool nextIs(std::string_view w) const { return !done() && words_[at_] == w; }

    std::string word(const char* what) {
        if (done()) throw ScriptError(line_, std::string("missing ") + what);
        return words_[at_++];
    }
    void expect(std::string_view w) {
        const std::string got = word(std::string(w).c_str());
        if (got != w) throw ScriptError(line_, "expected \"" + std::string(w) + "\", found \"" + got + "\"");
    }
    int integer(const char* what, int low, int high) {
        const std::string w = word(what);
        int value = 0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
        if (ec != std::errc{} || end != w.data() + w.size())
            throw ScriptError(line_, std::string(what) + " \"" + w + "\" is not a whole number");
        if (value < low || value > high)
            throw ScriptError(line_, std::string(what) + " " + w + " is outside " + std::to_string(low) + ".." +
                                         std::to_string(high));
        return value;
    }
    double seconds(const char* what) {
        const std::string w = word(what);
        double value = 0.0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
        if (ec != std::errc{} || end != w.data() + w.size() || !std::isfinite(value) || value < 0.0)
            throw ScriptError(line_, std::string(what) + " \"" + w + "\" is not a time in seconds");
        return value;
    }
    void finish() {
        if (!done()) throw ScriptError(line_, "unexpected \"" + words_[at_] + "\"");
    }

private:
    std::vector<std::string> words_;
    size_t at_ = 0;
    int line_;
};

std::vector<std::string> splitWords(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string> words;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

Announcement readAnnouncement(Words& w, int line) {
    Announcement a;
    w.expect("mode");
    const std::string mode = w.word("mode");
    if (mode == "training") a.mode = Mode::Training;
    else if (mode == "munition") a.mode = Mode::Munition;
    else if (mode == "ladezeit") a.mode = Mode::Ladezeit;
    else throw ScriptError(line, "unknown mode \"" + mode + "\" (training, munition or ladezeit)");
    while (!w.done()) {
        const std::string flag = w.word("flag");
        if (flag == "single" || flag == "team") a.single = flag == "single";
        else if (flag == "new" || flag == "old") a.newModel = flag == "new";
        else throw ScriptError(line, "unknown \"" + flag + "\" (single, team, new or old)");
    }
    return a;
}

// A press that an optional `for D` releases D seconds later; returns when
// the line's own time is up.
double holdKeys(Words& w, const ScriptAction& press, ScriptAction release, std::vector<ScriptAction>& out) {
    out.push_back(press);
    if (!w.nextIs("for")) return press.atSeconds;
    w.expect("for");
    release.atSeconds = press.atSeconds + w.seconds("duration");
    out.push_back(release);
    return release.atSeconds;
}

// Reads one command at `now`; adds its actions and returns the time at
// which the next line without `at` begins.
double readCommand(Words& w, double now, int line, std::vector<ScriptAction>& out) {
    ScriptAction a;
    a.atSeconds = now;
    a.line = line;
    const std::string command = w.word("command");
    auto controller = [&] { return w.integer("controller", 0, CONTROLLERS - 1); };

    if (command == "start") {
        a.kind = ScriptAction::Kind::switchOn;
        a.controller = controller();
        w.expect("model");
        a.model = w.integer("model", 0, 31);
        a.announcement = readAnnouncement(w, line);
        out.push_back(a);
        return now;
    }
    if (command == "drive") {
        a.kind = ScriptAction::Kind::tracks;
        a.controller = controller();
        w.expect("left");
        a.left = w.integer("left speed", -MAX_SPEED, MAX_SPEED);
        w.expect("right");
        a.right = w.integer("right speed", -MAX_SPEED, MAX_SPEED);
        ScriptAction release = a;
        release.left = release.right = 0;
        return holdKeys(w, a, release, out);
    }
    if (command == "fire") {
        a.kind = ScriptAction::Kind::fire;
        a.controller = controller();
        out.push_back(a);
        return now;
    }
    if (command == "turret") {
        a.controller = controller();
        if (w.nextIs("stop")) {
            w.expect("stop");
            a.kind = ScriptAction::Kind::turretOff;
            out.push_back(a);
            return now;
        }
        a.kind = ScriptAction::Kind::turretOn;
        ScriptAction release = a;
        release.kind = ScriptAction::Kind::turretOff;
        return holdKeys(w, a, release, out);
    }
    if (command == "off") {
        a.kind = ScriptAction::Kind::switchOff;
        a.controller = controller();
        out.push_back(a);
        return now;
    }
    if (command == "silence") {
        a.kind = ScriptAction::Kind::allOff;
        out.push_back(a);
        return now + w.seconds("duration");
    }
    if (command == "wait") return now + w.seconds("duration");
    throw ScriptError(line, "unknown command \"" + command + "\"");
}

}  // namespace

Script parseScript(std::string_view text) {
    Script script;
    double now = 0.0;        // where a line without `at` begins
    double lineStart = 0.0;  // when the line before began
    int line = 0;
    while (!text.empty()) {
        ++line;
        const size_t end = text.find('\n');
        std::vector<std::string> words = splitWords(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (words.empty()) continue;
        Words w(std::move(words), line);
        if (w.nextIs("at")) {
            w.expect("at");
            const double at = w.seconds("time");
            if (at < lineStart) {
                std::ostringstream msg;
                msg << "at " << at << " lies before " << lineStart << ", the time of the line before";
                throw ScriptError(line, msg.str());
            }
            now = at;
        }
        lineStart = now;
        now = readCommand(w, now, line, script.actions);
        w.finish();
        script.endSeconds = std::max(script.endSeconds, now);
    }
    std::stable_sort(script.actions.begin(), script.actions.end(),
                     [](const ScriptAction& a, const ScriptAction& b) { return a.atSeconds < b.atSeconds; });
    for (const auto& a : script.actions) script.endSeconds = std::max(script.endSeconds, a.atSeconds);
    return script;
}

void applyAction(const ScriptAction& a, Remote& remote) {
    switch (a.kind) {
        case ScriptAction::Kind::switchOn: remote.switchOn(a.controller, a.model, a.announcement); break;
        case ScriptAction::Kind::tracks: remote.setTracks(a.controller, a.left, a.right); break;
        case ScriptAction::Kind::fire: remote.fire(a.controller); break;
        case ScriptAction::Kind::turretOn: remote.setTurret(a.controller, true); break;
        case ScriptAction::Kind::turretOff: remote.setTurret(a.controller, false); break;
        case ScriptAction::Kind::switchOff: remote.switchOff(a.controller); break;
        case ScriptAction::Kind::allOff:
            for (int n = 0; n < CONTROLLERS; ++n) remote.switchOff(n);
            break;
    }
}

std::string describe(const ScriptAction& a) {
    const std::string n = std::to_string(a.controller);
    switch (a.kind) {
        case ScriptAction::Kind::switchOn: {
            static const char* const modes[] = {"training", "munition", "ladezeit"};
            return "start " + n + " model " + std::to_string(a.model) + " mode " +
                   modes[static_cast<int>(a.announcement.mode)] + (a.announcement.single ? " single" : " team") +
                   (a.announcement.newModel ? " new" : " old");
        }
        case ScriptAction::Kind::tracks:
            return "drive " + n + " left " + std::to_string(a.left) + " right " + std::to_string(a.right);
        case ScriptAction::Kind::fire: return "fire " + n;
        case ScriptAction::Kind::turretOn: return "turret " + n;
        case ScriptAction::Kind::turretOff: return "turret " + n + " stop";
        case ScriptAction::Kind::switchOff: return "off " + n;
        case ScriptAction::Kind::allOff: return "silence";
    }
    return {};
}

std::vector<ScriptAction> ScriptPlayer::advance(double elapsedSeconds, Remote& remote) {
    std::vector<ScriptAction> applied;
    while (next_ < script_.actions.size() && script_.actions[next_].atSeconds <= elapsedSeconds) {
        applyAction(script_.actions[next_], remote);
        applied.push_back(script_.actions[next_++]);
    }
    return applied;
}

}  // namespace irremote
