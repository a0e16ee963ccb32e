// What the IR receivers that are no serial device (the virtual receiver, a
// Linux IR receiver) share as ports: no UART to configure, nothing ever
// received (a read waits out its timeout, as on a real port; without read
// timeouts it gives up at once rather than hang its caller), bytes sent and
// breaks swallowed. Each receiver adds its own lines.
#pragma once

#include <chrono>
#include <thread>

#include "serial_system.h"

namespace port {

class ReceiverPort : public SerialDevice {
public:
    void clearErrors() override {}
    bool readState() override { return true; }
    void keepOnlyBinaryFlag() override {}
    bool buildFromMode(const std::string&) override { return true; }
    bool writeState() override { return true; }

    bool setTimeouts(const CommTimeouts& timeouts) override {
        timeouts_ = timeouts;
        return true;
    }

    int32_t readByte() override {
        const int64_t ms = int64_t(timeouts_.readTotalMultiplier) + timeouts_.readTotalConstant;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return -1;
    }

    bool transmitChar(uint8_t) override { return true; }
    bool setBreak(bool) override { return true; }

private:
    CommTimeouts timeouts_{};
};

}  // namespace port
