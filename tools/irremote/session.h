// One run of irremote: the remotes, the script being played (if any) and the
// link to the receiver, advanced by the caller's clock ticks. The window and
// the headless script run share it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frame_link.h"
#include "remote.h"
#include "script.h"

namespace irremote {

class Session {
public:
    Session(std::string address, FrameLink::Log log, bool logFrames)
        : link_(std::move(address), log), log_(std::move(log)), logFrames_(logFrames) {}

    // Plays `script` from the first tick on.
    void play(Script script) { player_.emplace(std::move(script)); }

    // Applies the script's due actions and sends the frame due at `nowNs`.
    void tick(int64_t nowNs);

    // True once a script was played to its end.
    bool scriptFinished() const { return finished_; }

    Remote& remote() { return remote_; }
    const FrameLink& link() const { return link_; }
    const std::optional<IrFrame>& lastFrame(int n) const { return lastFrame_.at(size_t(n)); }

private:
    Remote remote_;
    FrameLink link_;
    FrameLink::Log log_;
    bool logFrames_;
    std::optional<ScriptPlayer> player_;
    std::optional<int64_t> startNs_;
    bool finished_ = false;
    std::array<std::optional<IrFrame>, CONTROLLERS> lastFrame_{};
};

}  // namespace irremote
