#include "posix/termios_mode.h"

namespace port {

namespace {

bool speedFor(uint32_t baud, speed_t& speed) {
    static constexpr struct { uint32_t baud; speed_t speed; } speeds[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
        {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
        {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000},
    };
    for (const auto& entry : speeds)
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    return false;
}

}  // namespace

bool applyModeSettings(termios& original, const ModeSettings& mode) {
    termios block = original;
    if (mode.baud) {
        speed_t speed{};
        if (!speedFor(*mode.baud, speed)) return false;
        cfsetispeed(&block, speed);
        cfsetospeed(&block, speed);
    }
    if (mode.dataBits) {
        static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        block.c_cflag = (block.c_cflag & ~CSIZE) | sizes[*mode.dataBits - 5];
    }
    if (mode.parity) {
        block.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        switch (*mode.parity) {
            case Parity::none: break;
            case Parity::odd: block.c_cflag |= PARENB | PARODD; break;
            case Parity::even: block.c_cflag |= PARENB; break;
            case Parity::mark: block.c_cflag |= PARENB | CMSPAR | PARODD; break;
            case Parity::space: block.c_cflag |= PARENB | CMSPAR; break;
        }
    }
    if (mode.stopBits) {
        // Linux gives 1.5 stop bits for CSTOPB with 5 data bits.
        if (*mode.stopBits == StopBits::one) block.c_cflag &= ~CSTOPB;
        else block.c_cflag |= CSTOPB;
    }
    original = block;
    return true;
}

void keepOnlyBinary(termios& block) {
    block.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    block.c_oflag &= ~OPOST;
    block.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    block.c_cflag &= ~CRTSCTS;
    block.c_cflag |= CLOCAL | CREAD;
    block.c_cc[VMIN] = 0;
    block.c_cc[VTIME] = 0;
}

}  // namespace port
