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

// CSTOPB means 1.5 stop bits with 5 data bits and 2 with more.
StopBits stopBitsOf(const termios& block) {
    if ((block.c_cflag & CSTOPB) == 0) return StopBits::one;
    return (block.c_cflag & CSIZE) == CS5 ? StopBits::onePointFive : StopBits::two;
}

// The stop bits asked for (or those the record had) under the data size the
// record has now; false when CSTOPB would mean something else.
bool setStopBits(termios& block, StopBits wanted) {
    if (wanted == StopBits::one) {
        block.c_cflag &= ~CSTOPB;
        return true;
    }
    const bool fiveBits = (block.c_cflag & CSIZE) == CS5;
    if ((wanted == StopBits::onePointFive) != fiveBits) return false;
    block.c_cflag |= CSTOPB;
    return true;
}

bool lineIsRaised(LineControl control) { return control == LineControl::on || control == LineControl::handshake; }

bool setFlowControl(termios& block, ModemLevels& levels, const ModeSettings& mode) {
    if (mode.outputDsrFlow == true || mode.dsrSensitivity == true) return false;
    if (mode.dtr == LineControl::handshake || mode.rts == LineControl::toggle) return false;

    const bool coupled = (block.c_cflag & CRTSCTS) != 0;
    const bool ctsFlow = mode.outputCtsFlow.value_or(coupled);
    const bool rtsHandshake = mode.rts ? *mode.rts == LineControl::handshake : coupled;
    if (ctsFlow != rtsHandshake) return false;
    if (ctsFlow) block.c_cflag |= CRTSCTS;
    else block.c_cflag &= ~CRTSCTS;

    if (mode.xonXoff == true) {
        block.c_iflag = (block.c_iflag & ~IXANY) | IXON | IXOFF;
        block.c_cc[VSTART] = 0x11;
        block.c_cc[VSTOP] = 0x13;
    } else if (mode.xonXoff == false) {
        block.c_iflag &= ~(IXON | IXOFF | IXANY);
    }

    if (mode.dtr) levels.dtr = lineIsRaised(*mode.dtr);
    if (mode.rts) levels.rts = lineIsRaised(*mode.rts);
    return true;
}

}  // namespace

bool applyModeSettings(termios& original, ModemLevels& originalLevels, const ModeSettings& mode) {
    termios block = original;
    ModemLevels levels = originalLevels;
    const StopBits stopBits = mode.stopBits.value_or(stopBitsOf(original));
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
    if (!setStopBits(block, stopBits) || !setFlowControl(block, levels, mode)) return false;
    original = block;
    originalLevels = levels;
    return true;
}

void keepOnlyBinary(termios& block, ModemLevels& levels) {
    levels = ModemLevels{};
    block.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    block.c_oflag &= ~OPOST;
    block.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    block.c_cflag &= ~CRTSCTS;
    block.c_cflag |= CLOCAL | CREAD;
    block.c_cc[VMIN] = 0;
    block.c_cc[VTIME] = 0;
}

}  // namespace port
