// The receiver's line replayed from its timed edges: the port functions that
// the frame capture `irbit` uses, with DCD and both stopwatches running on a
// replayed clock a little behind real time, so that the unchanged capture
// times each gap from when its edges happened, however late the program
// gets to run. Every other function goes to the port as it is
// (ForwardingPort).
//
// The replayed clock moves only as the capture polls: each DCD query is one
// poll of POLL_US, as on an ideal line, so every threshold of the capture
// falls exactly where it falls on a polled line. It never passes the moment
// up to which the port knows the line: there the query sleeps in the library
// (EDGEWAIT) until an edge arrives or real time has moved on. Nothing spins.
//
// The port's edge times are the library's microsecond stopwatch modulo
// 2^32: each is placed by its distance from the moment up to which the port
// said it knows the line, read in the same look, so the replay never needs
// TIMEREADUS and goes on across the times' wrap and after any pause.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "app/forwarding_port.h"
#include "window/window_services.h"

namespace rumblet {

class ReplayedLine final : public ForwardingPort {
public:
    // One poll of the replayed line.
    static constexpr int32_t POLL_US = 1;
    // Line that has waited longer than this for the capture is dropped (a
    // message box or the sound editor held the program): the capture goes on
    // with the last part of it, so a frame is kept at least this long, and
    // no stale frames play their sounds late.
    static constexpr int64_t KEEP_US = 2'000'000;
    // The longest sleep in the library while the line is quiet; an edge
    // ends it at once.
    static constexpr int32_t SLEEP_MS = 10;
    // How often, on the replayed clock, the window system gets its turn.
    static constexpr int64_t YIELD_US = 10'000;
    // A port that has told nothing new for this long of sleeping has stopped
    // keeping its record: its line is polled instead, until forget().
    static constexpr int32_t STALLED_MS = 1000;

    explicit ReplayedLine(PortFunctions& port) : ForwardingPort(port) {}

    // Ready to replay the port's line: true when the open port records
    // edges. The first call after forget() asks the port and starts the
    // replay at the present moment.
    bool ready();
    // The port was opened or closed, or the receive loop starts: the next
    // ready() asks anew. A capture still running goes on polling the port,
    // as a polled capture would.
    void forget();
    // True once since changes of the line were lost or dropped where the
    // frame being captured lay: that frame is not to be trusted.
    bool takeDamage();

    // The replayed line and stopwatches; while the capture polls instead,
    // the port's own, going on from where the replayed ones stood.
    int32_t DCD() override;
    // The capture starts here and the sound editor restarts it when it
    // closes: both come between frames, so the replay first catches up with
    // the port, dropping line that waited too long.
    void TIMEINIT() override;
    void TIMEINITUS() override;
    int32_t TIMEREAD() override;
    int32_t TIMEREADUS() override;
    void DELAY(int32_t ms) override;
    void DELAYUS(int32_t us) override;
    // The times come from the edges: no priority is needed, and none is
    // taken. (Taken for a frame and given back at its end, it would leave
    // the thread behind every other program just before the frame's sound
    // decision.) The capture asks for it while it times a frame's bits.
    void REALTIME(int32_t flag) override;

    // Where the replayed clock stands (microseconds on its own timeline).
    int64_t now() const { return now_; }
    // True when the window system is due a turn: the capture on the replayed
    // line polls far faster than real time while it catches up, and a yield
    // in every round of its header search would keep the processor busy.
    bool yieldDue();

    // The window system has had its turn, however long it held the
    // program: the capture is between frames (it yields nowhere else), so
    // line that has waited too long is dropped without harm to any frame.
    void catchUp();

private:
    // A change of the line as the port recorded it.
    struct Edge {
        int64_t at;  // on the replay's own microsecond timeline
        bool high;
        bool lossBefore = false;  // changes were lost between the one before and this one
        bool lossAfter = false;   // ... between this one and the next
    };
    struct ReadEdge {
        int32_t time;  // as the port gave it
        bool high;
        bool lossBefore;
        bool lossAfter;
    };
    enum class Look { Known, Ended, NoSource };

    void advance(int64_t us);
    // Brings the line up to now_, waiting for the port where it is not yet known.
    void settle();
    Look fetch();
    void place(int32_t reference, int64_t referenceAt, bool referenceKnown, int64_t floor);
    void play(int64_t until, bool dropping);
    void dropStaleLine(bool midFrame);
    void fallBackToPolling(bool midFrame);

    bool started_ = false;
    bool edges_ = false;
    bool refused_ = false;   // the port stalled or stopped recording: polled until opened again
    bool polling_ = false;   // the capture in progress polls the port
    int32_t msCarried_ = 0;  // what the replayed stopwatches read when polling took over
    int32_t usCarried_ = 0;
    int64_t now_ = 0;       // the replayed clock
    int64_t known_ = 0;     // the line is known up to here
    int32_t knownTime_ = 0; // ... which the port gave as this time
    int64_t msStart_ = 0;
    int64_t usStart_ = 0;
    int64_t lastYield_ = 0;
    int32_t quietMs_ = 0;   // slept without the port telling anything new
    bool high_ = true;
    bool timingFrame_ = false;
    bool ended_ = false;    // the port's source has ended: the line reads low for good
    bool damaged_ = false;
    bool lossBeforeNext_ = false;
    std::deque<Edge> pending_;
    std::vector<ReadEdge> read_;  // one look's changes, until the port says how far it knows the line
};

// The window system as the capture on the replayed line sees it: its yields
// reach the real one once per YIELD_US of replayed time; everything else
// goes through.
class ReplayedWindow final : public WindowServices {
public:
    ReplayedWindow(WindowServices& window, ReplayedLine& line) : window_(window), line_(line) {}

    void yield() override {
        if (!line_.yieldDue()) return;
        window_.yield();
        line_.catchUp();
    }
    void messageBox(const std::string& text) override { window_.messageBox(text); }
    void showMainWindow() override { window_.showMainWindow(); }
    void showSoundEditorModal() override { window_.showSoundEditorModal(); }
    void endProgram() override { window_.endProgram(); }
    void endProgramAfterError() override { window_.endProgramAfterError(); }

private:
    WindowServices& window_;
    ReplayedLine& line_;
};

}  // namespace rumblet
