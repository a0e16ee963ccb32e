// I/O port group: INPORT and OUTPORT on the argument slots' low bits.
#pragma once

#include <cstdint>

#include "ioport_system.h"

namespace port {

// What INPORT gives when the port cannot be read: an undriven bus reads 0xFF.
inline constexpr int32_t refusedInput = 0xFF;

class IoPorts {
public:
    explicit IoPorts(IoPortSystem& system);
    // The byte at the port of the slot's low 16 bits. A refused access is an
    // access-refused fault.
    int32_t in(int32_t addressSlot);
    // Writes the value slot's low 8 bits to the port of the address slot's
    // low 16 bits. A refused access is an access-refused fault.
    void out(int32_t addressSlot, int32_t valueSlot);

private:
    IoPortSystem& system_;
};

IoPorts& ioPorts();

}  // namespace port
