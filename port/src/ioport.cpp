#include "ioport.h"

#include "fault.h"
#include "no_destructor.h"

namespace port {

namespace {

uint16_t addressOf(int32_t slot) { return static_cast<uint16_t>(static_cast<uint32_t>(slot) & 0xFFFF); }

}  // namespace

IoPorts::IoPorts(IoPortSystem& system) : system_(system) {}

int32_t IoPorts::in(int32_t addressSlot) {
    uint8_t value = 0;
    if (!system_.in(addressOf(addressSlot), value)) raise(Fault::accessRefused);
    return value;
}

void IoPorts::out(int32_t addressSlot, int32_t valueSlot) {
    const auto value = static_cast<uint8_t>(static_cast<uint32_t>(valueSlot) & 0xFF);
    if (!system_.out(addressOf(addressSlot), value)) raise(Fault::accessRefused);
}

IoPorts& ioPorts() {
    static NoDestructor<IoPorts> ports(platformIoPortSystem());
    return *ports;
}

}  // namespace port
