// I/O port group on Linux: the kernel's port device (/dev/port), where the
// byte at offset N is I/O port N. The kernel executes the byte-wide in and
// out instructions itself, so a program without access to the ports gets
// a refused open, never a fault in its own code.
#pragma once

#include <string>

#include "ioport_system.h"

namespace port {

class DevPortSystem : public IoPortSystem {
public:
    explicit DevPortSystem(std::string device = "/dev/port");
    bool in(uint16_t address, uint8_t& value) override;
    bool out(uint16_t address, uint8_t value) override;

private:
    std::string device_;
};

}  // namespace port
