// The port library as the tests see it: a receiver line scripted in virtual
// time, both stopwatches on the same virtual clock, and the serial port calls
// recorded.
//
// Time model: each DCD query is one poll and costs `pollCostUs`; the clock
// moves first, then the line is sampled. Timer reads cost nothing, so a
// reading right after a poll is exactly the time from the timer's start to
// that sample: with a cost of 1 us, a gap of g us reads as exactly g.
#pragma once

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "irframe/irframe.h"
#include "app/port_functions.h"

namespace rumblet::testing {

using EventLog = std::vector<std::string>;

class VirtualPort : public PortFunctions {
public:
    explicit VirtualPort(EventLog* log = nullptr) : log_(log) {}

    // --- the line script: levels one after another from time 0
    void low(int64_t us) { append(true, us); }
    void high(int64_t us) { append(false, us); }
    void send(const irframe::PulseTrain& train);
    // Quiet line until `time`, then the train.
    void sendAt(int64_t time, const irframe::PulseTrain& train);
    int64_t scriptEnd() const { return segments_.empty() ? 0 : segments_.back().end; }
    bool lowAfterScript = false;  // the level once the script is used up

    // --- virtual clock
    int64_t now = 0;
    int32_t pollCostUs = 1;
    int64_t dcdCalls = 0;
    int64_t timeinitCalls = 0;

    // --- what the program did
    std::set<std::string> presentPorts{"COM1:", "COM2:"};
    int32_t openPort = 0;           // number of the open port, 0 none
    std::vector<int32_t> realtime;  // REALTIME flags in call order
    int32_t rts = -1;               // last level set, -1 never
    int32_t dtr = -1;

    int32_t OPENCOM(const char* mode) override;
    int32_t CLOSECOM() override;
    void SENDBYTE(int32_t) override {}
    int32_t READBYTE() override { return -1; }
    void DTR(int32_t flag) override;
    void RTS(int32_t flag) override;
    void TXD(int32_t) override {}
    int32_t CTS() override { return 0; }
    int32_t DSR() override { return 0; }
    int32_t RI() override { return 0; }
    int32_t DCD() override;
    void DELAY(int32_t ms) override { now += int64_t{ms} * 1000; }
    void TIMEINIT() override {
        ++timeinitCalls;
        msStart_ = now;
    }
    void TIMEINITUS() override { usStart_ = now; }
    int32_t TIMEREAD() override { return static_cast<int32_t>((now - msStart_) / 1000); }
    // More than 2^31 - 1 us after its start the library's stopwatch reports
    // a range error and reads 0.
    int32_t TIMEREADUS() override {
        const int64_t us = now - usStart_;
        return us > INT32_MAX || us < INT32_MIN ? 0 : static_cast<int32_t>(us);
    }
    void DELAYUS(int32_t us) override { now += us; }
    void REALTIME(int32_t flag) override;

    bool lineLowAt(int64_t time);

    // --- timed edges, as the library records them: with `recordsEdges` the
    // line's changes up to `now` come through EDGEREAD, timed as the library
    // times them (the microsecond stopwatch's reading modulo 2^32), and the
    // line is known up to `now`; EDGEWAIT moves the clock on to the next
    // change, at most by its ms.
    bool recordsEdges = false;
    int32_t portWithoutEdges = 0;  // this port, while open, records no edges
    int64_t receiverGoneAt = -1;   // EDGEREAD reports the source ended from then on
    int64_t stallsAt = -1;         // from then on the source tells nothing new
    // The changes at line times in [from, until) are lost: EDGEREAD reports
    // the loss in their place, after the changes before and before those after.
    void loseChanges(int64_t from, int64_t until) {
        lostFrom_ = from;
        lostUntil_ = until;
    }
    int64_t edgeWaits = 0;
    // No test's line lasts this long: a capture still waiting for the line
    // beyond it has hung, and EDGEWAIT says so instead of waiting on.
    static constexpr int64_t HANG_US = 3LL * 3600 * 1000000;
    int32_t EDGES() override { return edgesRecorded() ? 3 : 0; }
    int32_t EDGEREAD(int32_t* time) override;
    int32_t EDGEWAIT(int32_t ms) override;

private:
    struct Segment {
        int64_t end;  // the segment covers [previous end, end)
        bool low;
    };
    void append(bool low, int64_t us);
    bool edgesRecorded() const { return recordsEdges && (openPort == 0 || openPort != portWithoutEdges); }
    // The line is known up to here: now, or where the source stalled.
    int64_t knownUntil() const { return stallsAt >= 0 ? std::min(now, stallsAt) : now; }
    int32_t sinceUsStart(int64_t time) const { return static_cast<int32_t>(static_cast<uint32_t>(time - usStart_)); }
    void record(const std::string& event);

    EventLog* log_;
    // The next change at or after segment boundary `from`: its boundary, or
    // segments_.size() + 1 when none follows.
    size_t nextChange(size_t from) const;
    int64_t boundaryTime(size_t i) const { return i == 0 ? 0 : segments_[i - 1].end; }

    std::vector<Segment> segments_;
    size_t cursor_ = 0;
    size_t edgeCursor_ = 0;  // next segment boundary not yet offered as an edge
    int64_t msStart_ = 0;
    int64_t usStart_ = 0;
    int64_t lostFrom_ = -1;
    int64_t lostUntil_ = -1;
    bool lossToReport_ = false;
};

}  // namespace rumblet::testing
