// A port that hands every call to another one: the base of the port
// functions that change only some calls. The edge functions are not handed
// on: a forwarding port records no edges unless it says otherwise.
#pragma once

#include "app/port_functions.h"

namespace rumblet {

class ForwardingPort : public PortFunctions {
public:
    explicit ForwardingPort(PortFunctions& port) : port_(port) {}

    int32_t OPENCOM(const char* mode) override { return port_.OPENCOM(mode); }
    int32_t CLOSECOM() override { return port_.CLOSECOM(); }
    void SENDBYTE(int32_t value) override { port_.SENDBYTE(value); }
    int32_t READBYTE() override { return port_.READBYTE(); }
    void DTR(int32_t flag) override { port_.DTR(flag); }
    void RTS(int32_t flag) override { port_.RTS(flag); }
    void TXD(int32_t flag) override { port_.TXD(flag); }
    int32_t CTS() override { return port_.CTS(); }
    int32_t DSR() override { return port_.DSR(); }
    int32_t RI() override { return port_.RI(); }
    int32_t DCD() override { return port_.DCD(); }
    void DELAY(int32_t ms) override { port_.DELAY(ms); }
    void TIMEINIT() override { port_.TIMEINIT(); }
    void TIMEINITUS() override { port_.TIMEINITUS(); }
    int32_t TIMEREAD() override { return port_.TIMEREAD(); }
    int32_t TIMEREADUS() override { return port_.TIMEREADUS(); }
    void DELAYUS(int32_t us) override { port_.DELAYUS(us); }
    void REALTIME(int32_t flag) override { port_.REALTIME(flag); }

protected:
    PortFunctions& port_;
};

}  // namespace rumblet
