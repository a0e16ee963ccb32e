#include "app/replayed_line.h"

#include <algorithm>
#include <utility>

#include "port/port.h"

namespace rumblet {

namespace {

// How far the port's time `later` lies after `earlier`. The times wrap
// modulo 2^32 us (71.6 minutes), so within 35 minutes either way the
// difference is exact.
int32_t since(int32_t later, int32_t earlier) {
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

}  // namespace

bool ReplayedLine::ready() {
    if (started_) return edges_;
    started_ = true;
    polling_ = false;
    edges_ = !refused_ && port_.EDGES() != 0;
    pending_.clear();
    read_.clear();
    ended_ = damaged_ = lossBeforeNext_ = timingFrame_ = false;
    quietMs_ = 0;
    if (!edges_) return false;
    // The port's times are read against a fresh start of its stopwatch,
    // placed at the present moment of the replay's own timeline.
    port_.TIMEINITUS();
    knownTime_ = 0;
    known_ = now_;
    if (fetch() == Look::NoSource) {
        edges_ = false;
        return false;
    }
    // What the port recorded before this moment belongs to no capture; the
    // level it left stands.
    if (pending_.empty()) high_ = port_.DCD() != 0;
    now_ = known_;
    play(now_, true);
    damaged_ = false;
    lastYield_ = now_ - YIELD_US;
    return true;
}

void ReplayedLine::forget() {
    if (started_ && edges_ && !polling_) {
        catchUp();
        if (!polling_) fallBackToPolling(false);
    }
    started_ = false;
    refused_ = false;
}

bool ReplayedLine::takeDamage() { return std::exchange(damaged_, false); }

void ReplayedLine::catchUp() {
    if (!started_ || !edges_ || polling_) return;
    if (fetch() == Look::NoSource) {
        refused_ = true;
        fallBackToPolling(false);
        return;
    }
    dropStaleLine(false);
}

bool ReplayedLine::yieldDue() {
    if (polling_) return true;
    if (now_ - lastYield_ < YIELD_US) return false;
    lastYield_ = now_;
    return true;
}

// The capture goes on over the port itself, its stopwatches reading on from
// where the replayed ones stood. Where it was timing a frame or a pulse, the
// switch cuts into it, and that frame is not trusted.
void ReplayedLine::fallBackToPolling(bool midFrame) {
    if (midFrame && (timingFrame_ || !high_)) damaged_ = true;
    msCarried_ = static_cast<int32_t>((now_ - msStart_) / 1000);
    usCarried_ = static_cast<int32_t>(now_ - usStart_);
    port_.TIMEINIT();
    port_.TIMEINITUS();
    polling_ = true;
    started_ = false;
    pending_.clear();
    read_.clear();
}

// One look at the port's record: every change it holds, any loss in its
// place between them, and how far the port knows the line.
ReplayedLine::Look ReplayedLine::fetch() {
    const int64_t floor = std::max(now_, known_);  // the line played or known so far stays as it was
    for (;;) {
        int32_t time = knownTime_;
        const int32_t got = port_.EDGEREAD(&time);
        if (got == 0 || got == 1) {
            read_.push_back({time, got == 1, std::exchange(lossBeforeNext_, false), false});
        } else if (got == PORT_EDGE_LOST) {
            // Changes were lost between the change read last and the next one.
            if (!read_.empty()) {
                read_.back().lossAfter = true;
            } else if (!pending_.empty()) {
                pending_.back().lossAfter = true;
            } else {
                damaged_ = true;  // the change before them was played: the frame being captured spans them
            }
            lossBeforeNext_ = true;
        } else if (got == PORT_EDGE_NONE_WAITING) {
            // Every step of the times is time passed, however long the pause
            // (a step past half the wrap is a long pause, not a step back);
            // only a small step back, a port that knew a little less than it
            // said before, moves nothing.
            const int32_t step = since(time, knownTime_);
            if (step >= 0 || step < -KEEP_US) known_ += static_cast<uint32_t>(time) - static_cast<uint32_t>(knownTime_);
            knownTime_ = time;
            place(time, known_, true, floor);
            return Look::Known;
        } else {
            place(knownTime_, known_, false, floor);
            if (got != PORT_EDGE_ENDED) return Look::NoSource;
            // The receiver went away: the line reads as stuck low, which
            // ends the capture with "No IR-Hardware".
            ended_ = true;
            return Look::Ended;
        }
    }
}

// Puts one look's changes on the timeline by their distance from the
// reference time, which stands for `referenceAt`. Where the port knew the
// line up to the reference, no change lies far after it: one that seems to
// is older than the times can tell (more than 35 minutes) and goes first. A
// change timed before what was already played or known is played now.
void ReplayedLine::place(int32_t reference, int64_t referenceAt, bool referenceKnown, int64_t floor) {
    for (const ReadEdge& e : read_) {
        const int32_t d = since(e.time, reference);
        int64_t at = referenceKnown && d > KEEP_US ? floor : referenceAt + d;
        at = std::max(at, pending_.empty() ? floor : pending_.back().at);
        pending_.push_back({at, e.high, e.lossBefore, e.lossAfter});
        known_ = std::max(known_, at);
    }
    read_.clear();
}

// Plays the recorded changes up to `until`. A change next to lost ones
// damages the frame being captured when it is played; dropped line damages
// nothing by its losses.
void ReplayedLine::play(int64_t until, bool dropping) {
    while (!pending_.empty() && pending_.front().at <= until) {
        const Edge& e = pending_.front();
        high_ = e.high;
        if (!dropping && (e.lossBefore || e.lossAfter)) damaged_ = true;
        pending_.pop_front();
    }
}

void ReplayedLine::settle() {
    for (;;) {
        play(now_, false);
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
        const int64_t knownBefore = known_;
        const Look look = fetch();
        if (look == Look::NoSource) {
            refused_ = true;
            fallBackToPolling(true);
            return;
        }
        // A port that tells nothing new, sleep after sleep, would hold the
        // window here for good.
        if (known_ > knownBefore || !pending_.empty() || look == Look::Ended) {
            quietMs_ = 0;
        } else if ((quietMs_ += SLEEP_MS) >= STALLED_MS) {
            refused_ = true;
            fallBackToPolling(true);
            return;
        }
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
    play(now_, true);
    if (midFrame) damaged_ = true;
}

void ReplayedLine::advance(int64_t us) {
    now_ += std::max<int64_t>(us, 0);
    settle();
}

// The capture polls the line tens of thousands of times a frame: a poll that
// finds nothing to play and the line known goes no further.
int32_t ReplayedLine::DCD() {
    if (polling_) return port_.DCD();
    now_ += POLL_US;
    if ((!pending_.empty() && pending_.front().at <= now_) || now_ > known_) {
        settle();
        if (polling_) return port_.DCD();
    }
    return high_ ? 1 : 0;
}

void ReplayedLine::TIMEINIT() {
    catchUp();
    if (polling_) {
        port_.TIMEINIT();
        msCarried_ = 0;
    } else {
        msStart_ = now_;
    }
}

void ReplayedLine::TIMEINITUS() {
    if (polling_) {
        port_.TIMEINITUS();
        usCarried_ = 0;
    } else {
        usStart_ = now_;
    }
}

int32_t ReplayedLine::TIMEREAD() {
    if (polling_) return static_cast<int32_t>(int64_t{msCarried_} + port_.TIMEREAD());
    return static_cast<int32_t>((now_ - msStart_) / 1000);
}

int32_t ReplayedLine::TIMEREADUS() {
    if (polling_) return static_cast<int32_t>(int64_t{usCarried_} + port_.TIMEREADUS());
    return static_cast<int32_t>(now_ - usStart_);
}

void ReplayedLine::DELAY(int32_t ms) {
    if (polling_) {
        port_.DELAY(ms);
    } else {
        advance(int64_t{ms} * 1000);
    }
}

// DELAYUS restarts the microsecond stopwatch, as the library's does.
void ReplayedLine::DELAYUS(int32_t us) {
    TIMEINITUS();
    if (polling_) {
        port_.DELAYUS(us);
    } else {
        advance(us);
    }
}

void ReplayedLine::REALTIME(int32_t flag) {
    timingFrame_ = flag != 0;
    if (polling_) port_.REALTIME(flag);
}

}  // namespace rumblet
