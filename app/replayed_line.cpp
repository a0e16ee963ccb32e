#include "app/replayed_line.h"

#include <algorithm>

#include "port/port.h"

namespace rumblet {

namespace {

// The real stopwatch is restarted long before TIMEREADUS's range ends.
constexpr int32_t REBASE_US = 1'000'000'000;

}  // namespace

bool ReplayedLine::ready() {
    if (started_) return edges_;
    started_ = true;
    edges_ = port_.EDGES() != 0;
    ended_ = false;
    damaged_ = false;
    pending_.clear();
    if (!edges_) return false;
    base_ = now_ = known_ = 0;
    port_.TIMEINITUS();
    // What the port recorded before this moment belongs to no capture.
    fetch();
    high_ = pending_.empty() ? port_.DCD() != 0 : pending_.back().high;
    pending_.clear();
    damaged_ = false;
    now_ = known_;
    lastYield_ = now_ - YIELD_US;
    return true;
}

bool ReplayedLine::takeDamage() {
    const bool was = damaged_;
    damaged_ = false;
    return was;
}

int64_t ReplayedLine::realNow() {
    int32_t read = port_.TIMEREADUS();
    if (read > REBASE_US) {
        // Edges read later are timed from the new start; the timeline goes on.
        base_ += read;
        port_.TIMEINITUS();
        read = 0;
    }
    return base_ + read;
}

void ReplayedLine::fetch() {
    for (;;) {
        int32_t time = 0;
        const int32_t got = port_.EDGEREAD(&time);
        if (got == 0 || got == 1) {
            // A change timed before what was already played is played now.
            const int64_t at = std::max(base_ + time, std::max(now_, known_));
            pending_.push_back({at, got == 1});
            known_ = at;
        } else if (got == PORT_EDGE_NONE_WAITING) {
            known_ = std::max(known_, base_ + time);
            break;
        } else if (got == PORT_EDGE_LOST) {
            damaged_ = true;
        } else {
            // The receiver went away (or the port is gone): the line reads
            // as stuck low, which ends the capture with "No IR-Hardware".
            ended_ = true;
            break;
        }
    }
    realNow();
}

void ReplayedLine::settle() {
    for (;;) {
        while (!pending_.empty() && pending_.front().at <= now_) {
            high_ = pending_.front().high;
            pending_.pop_front();
        }
        if (!pending_.empty() || now_ <= known_) return;
        if (ended_) {
            high_ = false;
            known_ = now_;
            return;
        }
        // Caught up with the line as the port knows it: sleep until the next
        // edge, or until the quiet line has moved on far enough to be worth
        // a look. The edge ends the sleep at once, so its length costs no
        // delay; looking sooner would only chase the clock.
        port_.EDGEWAIT(SLEEP_MS);
        fetch();
        dropStaleLine(true);
    }
}

// Line that has waited too long for the capture (a message box or the sound
// editor held the program) is dropped; the capture goes on with the newest
// part of it, as after a moment in which the system took the processor away.
// Where that may be in the middle of a frame, the frame is not trusted.
void ReplayedLine::dropStaleLine(bool midFrame) {
    if (known_ - now_ <= KEEP_US) return;
    now_ = known_ - KEEP_US;
    while (!pending_.empty() && pending_.front().at <= now_) {
        high_ = pending_.front().high;
        pending_.pop_front();
    }
    if (midFrame) damaged_ = true;
}

void ReplayedLine::advance(int64_t us) {
    now_ += std::max<int64_t>(us, 0);
    settle();
}

int32_t ReplayedLine::DCD() {
    advance(POLL_US);
    return high_ ? 1 : 0;
}

}  // namespace rumblet
