// The port library as the tests see it: a receiver line scripted in virtual
// time, both stopwatches on the same virtual clock, and the serial port calls
// recorded.
//
// Time model: each DCD query is one poll and costs `pollCostUs`; the clock
// moves first, then the line is sampled. Timer reads cost nothing, so a
// reading right after a poll is exactly the time from the timer's start to
// that sample: with a cost of 1 us, a gap of g us reads as exactly g.
#pragma once

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
    int32_t TIMEREADUS() override { return static_cast<int32_t>(now - usStart_); }
    void DELAYUS(int32_t us) override { now += us; }
    void REALTIME(int32_t flag) override;

    bool lineLowAt(int64_t time);

    // --- timed edges: with `recordsEdges` the line's changes up to `now`
    // come through EDGEREAD (the line is known up to `now`), and EDGEWAIT
    // moves the clock on to the next change, at most by its ms.
    bool recordsEdges = false;
    int64_t loseEdgesAt = -1;     // EDGEREAD reports lost changes once the clock passes it
    int64_t receiverGoneAt = -1;  // EDGEREAD reports the source ended from then on
    int64_t edgeWaits = 0;
    int32_t EDGES() override { return recordsEdges ? 3 : 0; }
    int32_t EDGEREAD(int32_t* time) override;
    int32_t EDGEWAIT(int32_t ms) override;

private:
    struct Segment {
        int64_t end;  // the segment covers [previous end, end)
        bool low;
    };
    void append(bool low, int64_t us);
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
};

}  // namespace rumblet::testing
