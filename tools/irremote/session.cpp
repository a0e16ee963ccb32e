#include "session.h"

#include <cstdio>

namespace irremote {

namespace {

std::string secondsText(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

}  // namespace

void Session::tick(int64_t nowNs) {
    if (!startNs_) {
        startNs_ = nowNs;
        if (player_ && log_) log_("script starts at monotonic " + secondsText(double(nowNs) / 1e9));
    }
    const double elapsed = double(nowNs - *startNs_) / 1e9;
    if (player_ && !finished_) {
        for (const ScriptAction& a : player_->advance(elapsed, remote_))
            if (log_) log_(secondsText(elapsed) + " " + describe(a));
        if (player_->finished(elapsed)) {
            finished_ = true;
            if (log_) log_(secondsText(elapsed) + " end of script");
        }
    }
    if (auto frame = remote_.nextFrame(nowNs)) {
        link_.send(*frame);
        lastFrame_[size_t(frame->controller)] = frame->frame;
        if (logFrames_ && log_)
            log_(secondsText(elapsed) + " frame " + std::to_string(frame->controller) + " " + frameText(frame->frame));
    }
}

}  // namespace irremote
