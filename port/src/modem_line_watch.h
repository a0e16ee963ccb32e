// DCD of a real serial port, watched by a thread of the library: what the
// Linux watcher (TIOCMIWAIT, the driver's interrupt counters) and the
// Windows one (WaitCommEvent for carrier-detect changes) share.
//
// The thread sleeps until the serial driver reports a change of DCD, takes
// the time, and looks at the line: its level and how many changes the
// driver has reported so far. One change reported and the level turned is
// an edge, timed at that wake. Anything else means changes whose moments
// went unseen, and is reported as lost before the level as found: more
// than one change reported at once, a level that did not turn after an odd
// number of them (two wakes that find the same level are a lost pair), a
// change found by a look that no wake of its own brought. So every change
// is either recorded or reported lost.
//
// The line is known only up to the last look that found nothing
// unrecorded. Asked up to when it is known, the watch looks itself: a
// change that came after the thread's look but before its next sleep
// wakes nobody (the driver waits for the change after that), and would
// otherwise leave a frame's last edge missing until the next frame. Found
// again a little later, it wakes the thread to record it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "edge_record.h"

namespace port {

// One look at DCD.
struct LineLook {
    bool high = true;      // DCD set (no IR light)
    uint32_t changes = 0;  // changes of DCD the driver has reported so far (a running count)
};

// What watching DCD needs of the system (posix/ and win32/).
class LineWatchSystem {
public:
    virtual ~LineWatchSystem() = default;

    // The counter that TIMEREADUS reads, and its counts per second.
    virtual int64_t now() = 0;
    virtual int64_t countsPerSecond() = 0;

    // DCD's level and the driver's count; false when the port no longer answers.
    virtual bool look(LineLook& look) = 0;

    enum class Wake {
        change,  // the driver reported a change of DCD
        kick,    // kick() ended the wait
        failed,  // the driver cannot wait, or no longer can
    };
    // Sleeps on the watching thread until one of the above.
    virtual Wake wait() = 0;
    // Ends the watching thread's wait, from any thread. One that comes while
    // the thread is not waiting may be lost: the watch kicks again.
    virtual void kick() = 0;
    // A short pause of the watching thread, for a change the driver has not
    // counted yet.
    virtual void pause() = 0;

    // Why waiting or looking failed, naming the port.
    virtual std::string failure() = 0;
};

// A running watch of one open port, as the port's device holds it (made
// by the per-system watchModemLines or watchCommLines).
class LineWatcher {
public:
    virtual ~LineWatcher() = default;
    virtual LineEdges& edges() = 0;
};

class ModemLineWatch {
public:
    // A change unrecorded this long after a look first found it has been
    // missed by the thread, not merely not yet taken in: the thread is woken
    // to record it (as a loss: its moment is unknown).
    static constexpr int64_t MISSED_AFTER_US = 2000;
    // Looks taken while the level and the count disagree, a change the
    // driver has not counted yet, before they count as a loss.
    static constexpr int LOOKS = 3;

    // Takes the first look at the line on the calling thread; the record
    // starts right after it (a change in between is found by its count).
    explicit ModemLineWatch(LineWatchSystem& system);

    EdgeRecord& record() { return record_; }

    // The watching thread's body: waits and looks until stop() or a failure.
    void run();
    // One wait and the look after it; false once the watch has ended.
    bool step();

    // True when the driver can wait for DCD at all: blocks, waking the
    // thread, until its first wait has come back. A port whose driver
    // refuses is polled instead (EDGES() 0); nothing is reported.
    bool waitsWork();
    // Ends run() and returns once it has.
    void stop();

private:
    enum class Waits { unknown, work, refused };

    bool check(bool woken);
    int64_t completeNow();
    void fail();

    LineWatchSystem& system_;
    const LineLook start_;
    EdgeRecord record_;
    // What the thread has recorded: the level and the driver's count at its
    // last look. Written by the thread after the record, read by the caller.
    std::atomic<bool> high_;
    std::atomic<uint32_t> changes_;
    std::atomic<Waits> waits_ = Waits::unknown;
    std::atomic<bool> stopping_ = false;
    std::atomic<bool> ended_ = false;
    // The caller's side: an unrecorded look and when it was first seen.
    LineLook unrecorded_;
    int64_t unrecordedSince_ = INT64_MIN;
};

}  // namespace port
