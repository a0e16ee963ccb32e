// Fake serial and timing systems: they record every system call in order and
// run on virtual time, so the tests see exactly what the library asks of the
// system and never touch a real port or wait for a real clock.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "serial_system.h"
#include "timing_system.h"

namespace port::testing {

struct FakeSerialLog {
    std::vector<std::string> calls;

    // How the next device behaves.
    bool openFails = false;
    bool writeStateFails = false;
    bool setTimeoutsFails = false;
    bool closeFails = false;
    bool modemStatusFails = false;
    uint32_t modemStatus = 0;
    std::deque<int32_t> incoming;  // what readByte returns in turn; -1 once empty
    LineEdges* edges = nullptr;    // the device's recorded changes, if it records any
};

class FakeSerialDevice final : public SerialDevice {
public:
    explicit FakeSerialDevice(FakeSerialLog& log) : log_(log) {}

    void clearErrors() override { log_.calls.push_back("clearErrors"); }
    bool readState() override { return record("readState", true); }
    void keepOnlyBinaryFlag() override { log_.calls.push_back("keepOnlyBinaryFlag"); }
    bool buildFromMode(const std::string& mode) override { return record("buildFromMode " + mode, true); }
    bool writeState() override { return record("writeState", !log_.writeStateFails); }
    bool setTimeouts(const CommTimeouts& t) override {
        return record("setTimeouts " + std::to_string(t.readInterval) + "," + std::to_string(t.readTotalMultiplier) +
                          "," + std::to_string(t.readTotalConstant) + "," + std::to_string(t.writeTotalMultiplier) +
                          "," + std::to_string(t.writeTotalConstant),
                      !log_.setTimeoutsFails);
    }
    int32_t readByte() override {
        log_.calls.push_back("readByte");
        if (log_.incoming.empty()) return -1;
        const int32_t next = log_.incoming.front();
        log_.incoming.pop_front();
        return next;
    }
    bool transmitChar(uint8_t byte) override { return record("transmitChar " + std::to_string(byte), true); }
    bool escape(LineFunction f) override {
        return record("escape " + std::to_string(static_cast<uint32_t>(f)), true);
    }
    bool setBreak(bool on) override { return record(on ? "setBreak" : "clearBreak", true); }
    bool modemStatus(uint32_t& status) override {
        status = log_.modemStatus;
        return record("modemStatus", !log_.modemStatusFails);
    }
    LineEdges* edges() override { return log_.edges; }
    bool close() override { return record("close", !log_.closeFails); }

private:
    bool record(std::string call, bool result) {
        log_.calls.push_back(std::move(call));
        return result;
    }
    FakeSerialLog& log_;
};

class FakeSerialSystem final : public SerialSystem {
public:
    std::unique_ptr<SerialDevice> open(const std::string& deviceName) override {
        log.calls.push_back("open " + deviceName);
        if (log.openFails) return nullptr;
        return std::make_unique<FakeSerialDevice>(log);
    }
    FakeSerialLog log;
};

// Virtual clocks: every read returns the current value and then moves the
// clock on by its step, so busy waits end after a known number of reads.
class FakeTimingSystem final : public TimingSystem {
public:
    uint32_t milliseconds() override {
        ++millisecondReads;
        const uint32_t now = clockMs;
        clockMs += msStep;
        return now;
    }
    int64_t counter() override {
        ++counterReads;
        const int64_t now = counterValue;
        counterValue += counterStep;
        return now;
    }
    int64_t counterFrequency() override { return frequency; }
    void setPriorityClass(PriorityClass p) override { priorities.push_back(p); }

    uint32_t clockMs = 1000;
    uint32_t msStep = 1;
    int64_t counterValue = 0;
    int64_t counterStep = 0;
    int64_t frequency = 1000000;
    int millisecondReads = 0;
    int counterReads = 0;
    std::vector<PriorityClass> priorities;
};

}  // namespace port::testing
