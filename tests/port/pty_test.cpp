// The library's serial data path on a real pseudo-terminal pair: the test
// holds the master side, the library opens the slave through the COM
// mapping. A pseudo-terminal has no modem lines; the library must cope.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "port.h"

namespace {

class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0) << "no pseudo-terminal";
        slavePath = ttyname(slave);
        // Only this test's mapping counts: no user configuration file.
        configHome = std::filesystem::temp_directory_path() / ("port-pty-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(configHome);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        setenv("PORT_COM7", slavePath.c_str(), 1);
    }
    void TearDown() override {
        CLOSECOM();
        unsetenv("PORT_COM7");
        close(slave);
        close(master);
        std::filesystem::remove_all(configHome);
    }

    // The next byte the library sent, or -1 after a second without one.
    int receivedByMaster() {
        termios raw{};
        tcgetattr(master, &raw);
        cfmakeraw(&raw);
        tcsetattr(master, TCSANOW, &raw);
        pollfd entry{master, POLLIN, 0};
        if (poll(&entry, 1, 1000) != 1) return -1;
        unsigned char byte = 0;
        return read(master, &byte, 1) == 1 ? byte : -1;
    }

    int master = -1;
    int slave = -1;
    std::string slavePath;
    std::filesystem::path configHome;
};

TEST_F(PtyTest, OpensAMappedComNameAndReadsASentByte) {
    ASSERT_EQ(OPENCOM("COM7:"), 7);
    const unsigned char byte = 0xA5;
    ASSERT_EQ(write(master, &byte, 1), 1);
    EXPECT_EQ(READBYTE(), 0xA5);
}

TEST_F(PtyTest, ReadByteWithoutDataGivesMinusOneAfterTheTimeout) {
    ASSERT_EQ(OPENCOM("COM7:"), 7);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(READBYTE(), -1);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    // 1 + 30 ms; loose bounds, the machine is shared.
    EXPECT_GE(waited.count(), 25) << "READBYTE gave up before its timeout";
    EXPECT_LT(waited.count(), 2000) << "READBYTE waited far beyond its timeout";
}

TEST_F(PtyTest, SendByteDeliversTheLowEightBits) {
    ASSERT_EQ(OPENCOM("COM7:"), 7);
    SENDBYTE(0x141);
    EXPECT_EQ(receivedByMaster(), 0x41);
}

TEST_F(PtyTest, TimeoutReturnsThePreviousValueOnlyWhileAPortIsOpen) {
    EXPECT_EQ(TIMEOUT(50), -1);
    ASSERT_EQ(OPENCOM("COM7:"), 7);
    EXPECT_EQ(TIMEOUT(50), 30);
    EXPECT_EQ(TIMEOUT(20), 50);
    EXPECT_EQ(TIMEOUT(-1), -1);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_RANGE);
    EXPECT_EQ(TIMEOUT(30), 20) << "TIMEOUT(-1) must not have changed the stored timeout";
}

TEST_F(PtyTest, ModeStringSetsTheLineAndTheRestIsRawBinary) {
    struct Case {
        const char* mode;
        int32_t result;
        speed_t speed;
        bool twoStopBits;
        bool xonXoff;
    };
    // Each open starts from a line at 19200 baud. A pseudo-terminal keeps 8
    // data bits without parity whatever it is told; the other settings it
    // takes as a serial port would.
    const Case cases[] = {
        {"COM7:9600,N,8,1", 7, B9600, false, false},
        {"COM7: baud=4800 parity=E data=7 stop=2", 7, B4800, true, false},
        {"COM7: baud=9600 parity=n data=8 stop=1 dtr=off", 7, B9600, false, false},
        {"COM7: baud=96", 7, B9600, false, false},
        {"COM7:9600,n,8,1,x", 7, B9600, false, true},
        {"COM7: baud=9600 to=off xon=off odsr=off octs=off idsr=off rts=on", 7, B9600, false, false},
        // Settings the line cannot carry: not applied, and the caller is told.
        {"COM7:9600,n,8,1.5", 0, B19200, false, false},
        {"COM7: baud=9600 odsr=on", 0, B19200, false, false},
    };
    for (const Case& c : cases) {
        termios line{};
        ASSERT_EQ(tcgetattr(slave, &line), 0);
        cfsetspeed(&line, B19200);
        ASSERT_EQ(tcsetattr(slave, TCSANOW, &line), 0);

        EXPECT_EQ(OPENCOM(c.mode), c.result) << c.mode;
        ASSERT_EQ(tcgetattr(slave, &line), 0);
        EXPECT_EQ(cfgetospeed(&line), c.speed) << c.mode;
        if (c.result == 0) continue;
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStopBits) << c.mode;
        EXPECT_EQ((line.c_iflag & (IXON | IXOFF)) != 0, c.xonXoff) << c.mode;
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u) << "not raw: " << c.mode;
        EXPECT_EQ(line.c_iflag & (INPCK | ICRNL), 0u) << "input still processed: " << c.mode;
        EXPECT_EQ(line.c_oflag & OPOST, 0u) << c.mode;
        EXPECT_NE(line.c_cflag & CLOCAL, 0u) << "the port would wait for carrier: " << c.mode;
        EXPECT_EQ(line.c_cflag & CRTSCTS, 0u) << c.mode;
    }
}

TEST_F(PtyTest, ModemLinesOfAPortWithoutThemReadZeroAndSettingThemIsHarmless) {
    ASSERT_EQ(OPENCOM("COM7:"), 7);
    RTS(1);
    DTR(1);
    TXD(1);
    TXD(0);
    EXPECT_EQ(DCD(), 0);
    EXPECT_EQ(CTS(), 0);
    EXPECT_EQ(DSR(), 0);
    EXPECT_EQ(RI(), 0);
    EXPECT_EQ(EDGES(), PORT_EDGES_NONE) << "no modem-line interrupts to watch: the port is polled";
    int32_t time = 0;
    EXPECT_EQ(EDGEREAD(&time), PORT_EDGE_NO_SOURCE);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_NONE);
}

TEST_F(PtyTest, PortHeldByAnotherProgramIsNotAvailable) {
    ASSERT_EQ(flock(slave, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(OPENCOM("COM7:"), 0);
    EXPECT_EQ(READBYTE(), -1) << "no port may be open";
    EXPECT_EQ(CLOSECOM(), 0);
}

TEST_F(PtyTest, SecondOpenReleasesTheFirstPort) {
    ASSERT_EQ(OPENCOM("COM7:"), 7);
    ASSERT_EQ(OPENCOM("COM7:"), 7) << "the port the library held itself must be free again";
    EXPECT_EQ(CLOSECOM(), 1);
    EXPECT_EQ(CLOSECOM(), 0);
}

TEST_F(PtyTest, PathAsDeviceNameOpensButHasNoPortNumber) {
    // "/dev/pts/N:" opens the device itself; its fourth character is no digit.
    EXPECT_EQ(OPENCOM((slavePath + ":").c_str()), 0);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_CONVERSION);
    const unsigned char byte = 0x33;
    ASSERT_EQ(write(master, &byte, 1), 1);
    EXPECT_EQ(READBYTE(), 0x33) << "the port stays open after the conversion error";
    EXPECT_EQ(CLOSECOM(), 1);
}

TEST_F(PtyTest, ConfigurationFileMapsAComNameAndTheEnvironmentComesFirst) {
    std::filesystem::create_directories(configHome / "port");
    std::ofstream(configHome / "port" / "serial.conf") << "# test mapping\nCOM8 = " << slavePath << "\nCOM7 = virtual:/nowhere/ir.sock\n";
    EXPECT_EQ(OPENCOM("COM8:"), 8);
    EXPECT_EQ(OPENCOM("COM7:"), 7) << "PORT_COM7 overrides the file";
    unsetenv("PORT_COM7");
    EXPECT_EQ(OPENCOM("COM7:"), 0) << "the file's virtual receiver, in a folder that does not exist, is not available";
}

}  // namespace
