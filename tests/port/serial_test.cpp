// The serial group's logic over a fake system: which system calls happen, in
// which order, and what state a failure leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_systems.h"
#include "fault.h"
#include "serial.h"

namespace port::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SerialPortTest : public ::testing::Test {
protected:
    // Forgets the calls made so far, so that a test sees only its own.
    void clearLog() { system.log.calls.clear(); }

    FakeSerialSystem system;
    FakeTimingSystem clock;
    Timing timing{clock};
    SerialPort serial{system, timing};
};

TEST_F(SerialPortTest, OpenConfiguresThePortForTheReceiverAndRaisesRtsLast) {
    EXPECT_EQ(serial.open("COM1:9600,N,8,1"), 1);
    EXPECT_THAT(system.log.calls,
                ElementsAre("open COM1", "clearErrors", "readState", "keepOnlyBinaryFlag",
                            "buildFromMode COM1:9600,N,8,1", "writeState", "setTimeouts 30,1,30,1,30", "escape 3"));
    EXPECT_TRUE(serial.isOpen());
    EXPECT_EQ(serial.portNumber(), 1);
}

TEST_F(SerialPortTest, OpenClosesTheOldPortBeforeItLooksAtTheString) {
    struct Case {
        const char* mode;
        int32_t result;
    };
    for (const Case& c : {Case{"COM2", 0}, Case{"", 0}, Case{nullptr, 0}, Case{"COM2:", 2}}) {
        ASSERT_EQ(serial.open("COM1:"), 1);
        clearLog();
        EXPECT_EQ(serial.open(c.mode), c.result) << (c.mode ? c.mode : "null");
        ASSERT_FALSE(system.log.calls.empty());
        EXPECT_EQ(system.log.calls.front(), "close") << "the port open before must be closed first";
        if (c.result == 0) {
            EXPECT_FALSE(serial.isOpen()) << "a string without a colon opens nothing";
            EXPECT_EQ(system.log.calls.size(), 1u) << "nothing but the close may happen";
        }
    }
}

TEST_F(SerialPortTest, PortNumberIsTheFourthCharacterOfTheModeString) {
    struct Case {
        const char* mode;
        const char* device;
        int32_t number;
    };
    for (const Case& c : {Case{"COM1:", "COM1", 1}, Case{"COM2: baud=9600", "COM2", 2}, Case{"COM10:", "COM10", 1},
                          Case{"com3:", "com3", 3}}) {
        clearLog();
        EXPECT_EQ(serial.open(c.mode), c.number) << c.mode;
        EXPECT_EQ(system.log.calls.at(system.log.calls.front() == "close" ? 1 : 0), std::string("open ") + c.device);
    }
}

TEST_F(SerialPortTest, NonDigitFourthCharacterIsAConversionErrorThatLeavesThePortOpenWithoutRts) {
    try {
        serial.open("/dev/ttyUSB0:");
        FAIL() << "expected a conversion error";
    } catch (const FaultError& e) {
        EXPECT_EQ(e.fault, Fault::conversion);
    }
    EXPECT_TRUE(serial.isOpen());
    EXPECT_EQ(serial.portNumber(), 0);
    EXPECT_EQ(system.log.calls.back(), "setTimeouts 30,1,30,1,30") << "RTS must not be raised";
    EXPECT_EQ(serial.close(), 1);
}

TEST_F(SerialPortTest, FailedConfigurationLeavesThePortOpenWithNumberZero) {
    for (bool failAtTimeouts : {false, true}) {
        system.log.writeStateFails = !failAtTimeouts;
        system.log.setTimeoutsFails = failAtTimeouts;
        clearLog();
        EXPECT_EQ(serial.open("COM1:"), 0);
        EXPECT_TRUE(serial.isOpen()) << "the device stays open after a configuration failure";
        EXPECT_EQ(serial.portNumber(), 0);
        EXPECT_THAT(system.log.calls, ::testing::Not(::testing::Contains("escape 3"))) << "RTS stays off";
    }
    clearLog();
    EXPECT_EQ(serial.close(), 1) << "the unconfigured port is closed like any other";
}

TEST_F(SerialPortTest, AbsentPortLeavesNothingOpenAndTheTransfersDoNothing) {
    system.log.openFails = true;
    EXPECT_EQ(serial.open("COM9:"), 0);
    EXPECT_FALSE(serial.isOpen());
    clearLog();
    EXPECT_EQ(serial.readByte(), -1);
    serial.sendByte(0x41);
    serial.setRts(1);
    serial.setDtr(0);
    serial.setBreak(1);
    EXPECT_THAT(system.log.calls, IsEmpty());
    EXPECT_EQ(clock.millisecondReads, 0) << "SENDBYTE without a port must not wait";
}

TEST_F(SerialPortTest, TimeoutActsOnlyOnAnOpenPortAndReturnsThePreviousValue) {
    EXPECT_EQ(serial.setTimeout(50), -1) << "no port open";
    EXPECT_EQ(serial.storedTimeout(), 30);

    ASSERT_EQ(serial.open("COM1:"), 1);
    EXPECT_THAT(system.log.calls, ::testing::Contains("setTimeouts 30,1,30,1,30"));
    clearLog();
    EXPECT_EQ(serial.setTimeout(50), 30);
    EXPECT_THAT(system.log.calls, ElementsAre("setTimeouts 50,1,50,1,50"));
    EXPECT_EQ(serial.setTimeout(20), 50);

    system.log.setTimeoutsFails = true;
    EXPECT_EQ(serial.setTimeout(99), -1) << "the device refused";
    EXPECT_EQ(serial.storedTimeout(), 20);
}

TEST_F(SerialPortTest, NegativeTimeoutIsARangeErrorThatChangesNothing) {
    ASSERT_EQ(serial.open("COM1:"), 1);
    clearLog();
    try {
        serial.setTimeout(-1);
        FAIL() << "expected a range error";
    } catch (const FaultError& e) {
        EXPECT_EQ(e.fault, Fault::range);
    }
    EXPECT_THAT(system.log.calls, IsEmpty());
    EXPECT_EQ(serial.storedTimeout(), 30);
}

TEST_F(SerialPortTest, CloseReturnsTheCloseCallsResultAndAlwaysForgetsThePort) {
    EXPECT_EQ(serial.close(), 0) << "no port open";
    EXPECT_THAT(system.log.calls, IsEmpty());

    ASSERT_EQ(serial.open("COM2:"), 2);
    EXPECT_EQ(serial.close(), 1);
    EXPECT_FALSE(serial.isOpen());
    EXPECT_EQ(serial.portNumber(), 0);

    ASSERT_EQ(serial.open("COM2:"), 2);
    system.log.closeFails = true;
    EXPECT_EQ(serial.close(), 0);
    EXPECT_FALSE(serial.isOpen()) << "a failed close still leaves no port";
    EXPECT_EQ(serial.portNumber(), 0);
}

TEST_F(SerialPortTest, ReadByteClearsErrorsThenReadsOneByteOrGivesMinusOne) {
    ASSERT_EQ(serial.open("COM1:"), 1);
    system.log.incoming = {0x00, 0xFF};
    clearLog();
    EXPECT_EQ(serial.readByte(), 0x00);
    EXPECT_EQ(serial.readByte(), 0xFF);
    EXPECT_EQ(serial.readByte(), -1) << "nothing arrived within the timeouts";
    EXPECT_THAT(system.log.calls,
                ElementsAre("clearErrors", "readByte", "clearErrors", "readByte", "clearErrors", "readByte"));
}

TEST_F(SerialPortTest, SendByteSendsTheLowEightBitsThenWaitsTwoMilliseconds) {
    ASSERT_EQ(serial.open("COM1:"), 1);
    clearLog();
    const uint32_t before = clock.clockMs;
    serial.sendByte(0x141);
    EXPECT_THAT(system.log.calls, ElementsAre("clearErrors", "transmitChar 65"));
    EXPECT_GE(clock.clockMs - before, 2u) << "the 2 ms pause runs on the millisecond clock";
    EXPECT_LE(clock.clockMs - before, 4u);
}

TEST_F(SerialPortTest, LineReadersTestTheirOwnModemStatusBit) {
    ASSERT_EQ(serial.open("COM1:"), 1);
    const ModemLine lines[] = {ModemLine::cts, ModemLine::dsr, ModemLine::ring, ModemLine::carrier};
    for (ModemLine set : lines) {
        system.log.modemStatus = static_cast<uint32_t>(set);
        for (ModemLine read : lines)
            EXPECT_EQ(serial.lineIsSet(read), read == set ? 1 : 0)
                << "status 0x" << std::hex << static_cast<uint32_t>(set) << ", line 0x" << static_cast<uint32_t>(read);
    }
    system.log.modemStatus = 0xFFFFFFFF;
    system.log.modemStatusFails = true;
    EXPECT_EQ(serial.lineIsSet(ModemLine::carrier), 0) << "an unreadable status is no line";
}

TEST_F(SerialPortTest, LineReadersGiveZeroWithNoPortOpen) {
    system.log.modemStatus = 0xFFFFFFFF;
    for (ModemLine line : {ModemLine::cts, ModemLine::dsr, ModemLine::ring, ModemLine::carrier})
        EXPECT_EQ(serial.lineIsSet(line), 0);
}

TEST_F(SerialPortTest, LineSettersUseTheExtendedFunctionCodesAndTheBreakState) {
    ASSERT_EQ(serial.open("COM1:"), 1);
    clearLog();
    serial.setRts(1);
    serial.setRts(0);
    serial.setDtr(-7);
    serial.setDtr(0);
    serial.setBreak(1);
    serial.setBreak(0);
    EXPECT_THAT(system.log.calls,
                ElementsAre("escape 3", "escape 4", "escape 5", "escape 6", "setBreak", "clearBreak"));
}

}  // namespace
}  // namespace port::testing
