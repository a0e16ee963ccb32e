// I/O port group: byte-wide input and output on processor I/O ports.
#pragma once

#include <cstdint>

namespace port {

class IoPortSystem {
public:
    virtual ~IoPortSystem() = default;
    // false when the system refuses the program access to the port.
    virtual bool in(uint16_t address, uint8_t& value) = 0;
    virtual bool out(uint16_t address, uint8_t value) = 0;
};

IoPortSystem& platformIoPortSystem();

}  // namespace port
