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
#pragma once

#include <cstdint>
#include <deque>

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

    explicit ReplayedLine(PortFunctions& port) : ForwardingPort(port) {}

    // Ready to replay the port's line: true when the open port records
    // edges. The first call after forget() asks the port and starts the
    // replay at the present moment.
    bool ready();
    // The port was opened or closed: the next ready() asks anew.
    void forget() { started_ = false; }
    // True once since changes of the line were lost or dropped: the frame
    // being captured then is not to be trusted.
    bool takeDamage();

    // The replayed line and stopwatches.
    int32_t DCD() override;
    void TIMEINIT() override { msStart_ = now_; }
    void TIMEINITUS() override { usStart_ = now_; }
    int32_t TIMEREAD() override { return static_cast<int32_t>((now_ - msStart_) / 1000); }
    int32_t TIMEREADUS() override { return static_cast<int32_t>(now_ - usStart_); }
    void DELAY(int32_t ms) override { advance(int64_t{ms} * 1000); }
    void DELAYUS(int32_t us) override { advance(us); }
    // The times come from the edges: no priority is needed, and none is
    // taken. (Taken for a frame and given back at its end, it would leave
    // the thread behind every other program just before the frame's sound
    // decision.)
    void REALTIME(int32_t) override {}

    // Where the replayed clock stands (microseconds on its own timeline).
    int64_t now() const { return now_; }
    // True when the window system is due a turn: the capture on the replayed
    // line polls far faster than real time while it catches up, and a yield
    // in every round of its header search would keep the processor busy.
    bool yieldDue() {
        if (now_ - lastYield_ < YIELD_US) return false;
        lastYield_ = now_;
        return true;
    }

    // The window system has had its turn, however long it held the
    // program: the capture is between frames (it yields nowhere else), so
    // line that has waited too long is dropped without harm to any frame.
    void afterYield() {
        fetch();
        dropStaleLine(false);
    }


private:
    struct Edge {
        int64_t at;  // on the replay's own microsecond timeline
        bool high;
    };

    void advance(int64_t us);
    // Brings the line up to now_, waiting for the port where it is not yet known.
    void settle();
    void fetch();
    void dropStaleLine(bool midFrame);
    int64_t realNow();

    bool started_ = false;
    bool edges_ = false;
    int64_t now_ = 0;       // the replayed clock
    int64_t known_ = 0;     // the line is known up to here
    int64_t base_ = 0;      // the real microsecond stopwatch's start on the timeline
    int64_t msStart_ = 0;
    int64_t usStart_ = 0;
    int64_t lastYield_ = 0;
    bool high_ = true;
    bool ended_ = false;    // the port's source has ended: the line reads low for good
    bool damaged_ = false;
    std::deque<Edge> pending_;
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
        line_.afterYield();
    }
    void messageBox(const std::string& text) override { window_.messageBox(text); }
    void showMainWindow() override { window_.showMainWindow(); }
    void showSoundEditorModal() override { window_.showSoundEditorModal(); }
    void endProgram() override { window_.endProgram(); }

private:
    WindowServices& window_;
    ReplayedLine& line_;
};

}  // namespace rumblet
