#include "serial.h"

#include <string>

#include "fault.h"

namespace port {

namespace {

// The port number is the fourth character of the mode string read as one
// decimal digit ("COM1:" gives 1, "COM10:" also gives 1).
int32_t portNumberOf(const std::string& mode) {
    if (mode.size() < 4 || mode[3] < '0' || mode[3] > '9') raise(Fault::conversion);
    return mode[3] - '0';
}

}  // namespace

CommTimeouts timeoutsFrom(int32_t t) {
    const uint32_t ms = static_cast<uint32_t>(t);
    return CommTimeouts{ms, 1, ms, 1, ms};
}

int32_t SerialPort::open(const char* mode) {
    const std::string text = mode != nullptr ? mode : "";
    const std::string::size_type colon = text.find(':');

    // The current port goes first, whatever the string turns out to be.
    close();
    if (colon == std::string::npos) return 0;

    std::unique_ptr<SerialDevice> device = system_.open(text.substr(0, colon));
    if (!device) return 0;
    device_ = std::move(device);

    device_->clearErrors();
    device_->readState();
    device_->keepOnlyBinaryFlag();
    device_->buildFromMode(text);
    // From here a failure leaves the port open but unconfigured, number 0:
    // the caller sees 0 and the next OPENCOM or CLOSECOM closes it.
    if (!device_->writeState()) return 0;
    if (!device_->setTimeouts(timeoutsFrom(timeout_))) return 0;

    portNumber_ = portNumberOf(text);
    setRts(1);
    return portNumber_;
}

int32_t SerialPort::close() {
    const bool closed = device_ != nullptr && device_->close();
    device_.reset();
    portNumber_ = 0;
    return closed ? 1 : 0;
}

int32_t SerialPort::readByte() {
    if (!device_) return -1;
    device_->clearErrors();
    return device_->readByte();
}

void SerialPort::sendByte(int32_t value) {
    if (!device_) return;
    device_->clearErrors();
    device_->transmitChar(static_cast<uint8_t>(value & 0xFF));
    // Gives a slow receiver time to take the byte before the next one.
    timing_.delay(2);
}

int32_t SerialPort::setTimeout(int32_t ms) {
    if (ms < 0) raise(Fault::range);
    if (!device_ || !device_->setTimeouts(timeoutsFrom(ms))) return -1;
    const int32_t previous = timeout_;
    timeout_ = ms;
    return previous;
}

int32_t SerialPort::lineIsSet(ModemLine line) {
    uint32_t status = 0;
    if (!device_ || !device_->modemStatus(status)) return 0;
    return (status & static_cast<uint32_t>(line)) != 0 ? 1 : 0;
}

void SerialPort::setRts(int32_t flag) {
    if (device_) device_->escape(flag != 0 ? LineFunction::setRts : LineFunction::clearRts);
}

void SerialPort::setDtr(int32_t flag) {
    if (device_) device_->escape(flag != 0 ? LineFunction::setDtr : LineFunction::clearDtr);
}

void SerialPort::setBreak(int32_t flag) {
    if (device_) device_->setBreak(flag != 0);
}

}  // namespace port
