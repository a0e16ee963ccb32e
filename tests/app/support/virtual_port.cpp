#include "virtual_port.h"

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
