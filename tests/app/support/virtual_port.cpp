#include "virtual_port.h"

#include <algorithm>
#include <stdexcept>

namespace rumblet::testing {

void VirtualPort::append(bool low, int64_t us) {
    if (us <= 0) return;
    segments_.push_back({scriptEnd() + us, low});
}

void VirtualPort::send(const irframe::PulseTrain& train) {
    for (const auto& level : train) append(level.low, level.microseconds);
}

void VirtualPort::sendAt(int64_t time, const irframe::PulseTrain& train) {
    high(time - scriptEnd());
    send(train);
}

bool VirtualPort::lineLowAt(int64_t time) {
    if (cursor_ > 0 && segments_[cursor_ - 1].end > time) cursor_ = 0;  // looking back
    while (cursor_ < segments_.size() && segments_[cursor_].end <= time) ++cursor_;
    return cursor_ < segments_.size() ? segments_[cursor_].low : lowAfterScript;
}

int32_t VirtualPort::DCD() {
    ++dcdCalls;
    now += pollCostUs;
    return lineLowAt(now) ? 0 : 1;
}

size_t VirtualPort::nextChange(size_t from) const {
    for (size_t i = from; i <= segments_.size(); ++i) {
        const bool before = i == 0 ? false : segments_[i - 1].low;
        const bool after = i < segments_.size() ? segments_[i].low : lowAfterScript;
        if (before != after) return i;
    }
    return segments_.size() + 1;
}

int32_t VirtualPort::EDGEREAD(int32_t* time) {
    if (!edgesRecorded()) return PORT_EDGE_NO_SOURCE;
    for (;;) {
        const size_t next = nextChange(edgeCursor_);
        const bool due = next <= segments_.size() && boundaryTime(next) <= knownUntil();
        if (due && boundaryTime(next) >= lostFrom_ && boundaryTime(next) < lostUntil_) {
            edgeCursor_ = next + 1;
            lossToReport_ = true;
            continue;
        }
        if (lossToReport_) {
            lossToReport_ = false;
            return PORT_EDGE_LOST;
        }
        if (!due && receiverGoneAt >= 0 && now >= receiverGoneAt) return PORT_EDGE_ENDED;
        if (!due) {
            *time = sinceUsStart(knownUntil());
            return PORT_EDGE_NONE_WAITING;
        }
        edgeCursor_ = next + 1;
        *time = sinceUsStart(boundaryTime(next));
        const bool low = next < segments_.size() ? segments_[next].low : lowAfterScript;
        return low ? 0 : 1;
    }
}

int32_t VirtualPort::EDGEWAIT(int32_t ms) {
    if (!edgesRecorded()) return -1;
    if (now > HANG_US) throw std::runtime_error("the capture still waits on the line after 3 hours");
    ++edgeWaits;
    const size_t next = nextChange(edgeCursor_);
    const int64_t limit = now + int64_t{ms} * 1000;
    const bool comes = next <= segments_.size() && (stallsAt < 0 || boundaryTime(next) <= stallsAt);
    const int64_t at = comes ? std::max(now, boundaryTime(next)) : limit;
    now = std::min(at, limit);
    return at <= limit ? 1 : 0;
}

void VirtualPort::record(const std::string& event) {
    if (log_) log_->push_back(event);
}

int32_t VirtualPort::OPENCOM(const char* mode) {
    record(std::string("OPENCOM ") + mode);
    openPort = 0;  // any open port is closed first
    if (!presentPorts.count(mode)) return 0;
    openPort = mode[3] - '0';
    rts = 1;  // the library switches RTS on with the opening
    return openPort;
}

int32_t VirtualPort::CLOSECOM() {
    record("CLOSECOM");
    int32_t was = openPort;
    openPort = 0;
    return was != 0 ? 1 : 0;
}

void VirtualPort::DTR(int32_t flag) {
    record("DTR " + std::to_string(flag));
    dtr = flag;
}

void VirtualPort::REALTIME(int32_t flag) {
    record("REALTIME " + std::to_string(flag));
    realtime.push_back(flag);
}

void VirtualPort::RTS(int32_t flag) {
    record("RTS " + std::to_string(flag));
    rts = flag;
}

}  // namespace rumblet::testing
