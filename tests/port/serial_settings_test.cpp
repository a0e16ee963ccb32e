// What a mode string sets on a Linux port, and where a COM name leads.
#include <gtest/gtest.h>

#include <map>

#include "mode_string.h"
#include "posix/termios_mode.h"
#include "serial_names.h"

namespace port::testing {
namespace {

TEST(ModeString, ReadsBothFormsOfTheModeSyntax) {
    struct Case {
        const char* mode;
        ModeSettings settings;
    };
    const Case cases[] = {
        {"COM1:", {}},
        {"COM1:9600,N,8,1", {9600, Parity::none, 8, StopBits::one}},
        {"COM2:96,e,7,2", {9600, Parity::even, 7, StopBits::two}},
        {"COM2:19200", {19200, {}, {}, {}}},
        {"COM2:,,7", {{}, {}, 7, {}}},
        {"COM1: 1200 , o , 5 , 1.5", {1200, Parity::odd, 5, StopBits::onePointFive}},
        {"COM1: baud=9600 parity=N data=8 stop=1", {9600, Parity::none, 8, StopBits::one}},
        {"COM1: STOP=2 Parity=M", {{}, Parity::mark, {}, StopBits::two}},
        {"com1:baud=96 parity=s", {96, Parity::space, {}, {}}},
        {"9600,n,8,1", {9600, Parity::none, 8, StopBits::one}},
    };
    for (const Case& c : cases) {
        const auto parsed = parseModeSettings(c.mode);
        ASSERT_TRUE(parsed.has_value()) << c.mode;
        EXPECT_EQ(*parsed, c.settings) << c.mode;
    }
}

TEST(ModeString, RejectsTheWholeStringWhenAnyPartIsNotUnderstood) {
    for (const char* mode : {"COM1:9600,X,8,1", "COM1:9600,N,9,1", "COM1:9600,N,8,3", "COM1:0", "COM1:abc",
                             "COM1:9600,N,8,1,x,y", "COM1: baud=9600 parity=Q", "COM1: baud= data=8",
                             "COM1: xon=on", "COM1: baud=9600 stray"})
        EXPECT_FALSE(parseModeSettings(mode).has_value()) << mode;
}

// A mapping as the environment and the configuration file would give it.
ComMappingLookup mappings(std::map<int, std::string> targets) {
    return [targets](int n) -> std::optional<ComMapping> {
        const auto found = targets.find(n);
        if (found == targets.end()) return std::nullopt;
        return ComMapping{found->second, "PORT_COM" + std::to_string(n)};
    };
}

TEST(SerialNames, ComNamesLeadToTheirDeviceOrTheUsersMapping) {
    using Backend = SerialTarget::Backend;
    struct Case {
        const char* name;
        Backend backend;
        const char* path;
        const char* origin;
    };
    const auto lookup = mappings({{2, "/dev/ttyUSB0"},
                                  {3, "ttyACM1"},
                                  {4, "tty:/dev/ttyUSB1"},
                                  {5, "virtual:/run/ir.sock"},
                                  {6, "serial:/x"},
                                  {7, ""},
                                  {8, "usb/0"},
                                  {9, "lirc:/dev/lirc0"},
                                  {10, "lirc:lirc0"}});
    const Case cases[] = {
        {"COM1", Backend::tty, "/dev/ttyS0", "default"},
        {"com11", Backend::tty, "/dev/ttyS10", "default"},
        {"COM2", Backend::tty, "/dev/ttyUSB0", "PORT_COM2"},
        {"COM3", Backend::tty, "/dev/ttyACM1", "PORT_COM3"},
        {"COM4", Backend::tty, "/dev/ttyUSB1", "PORT_COM4"},
        {"COM5", Backend::virtualReceiver, "/run/ir.sock", "PORT_COM5"},
        {"COM6", Backend::none, "", "PORT_COM6"},
        {"COM7", Backend::none, "", "PORT_COM7"},
        {"COM8", Backend::none, "", "PORT_COM8"},
        {"COM9", Backend::lirc, "/dev/lirc0", "PORT_COM9"},
        {"COM10", Backend::none, "", "PORT_COM10"},
        {"/dev/pts/3", Backend::tty, "/dev/pts/3", "path"},
        {"dev/pts/3", Backend::none, "", "path"},
        {"COM", Backend::none, "", "name"},
        {"COM0", Backend::none, "", "name"},
        {"COM01", Backend::none, "", "name"},
        {"LPT1", Backend::none, "", "name"},
        {"", Backend::none, "", "name"},
    };
    for (const Case& c : cases) {
        const SerialTarget target = resolveSerialTarget(c.name, lookup);
        EXPECT_EQ(target.backend, c.backend) << c.name;
        EXPECT_EQ(target.path, c.path) << c.name;
        EXPECT_EQ(target.origin, c.origin) << c.name;
        EXPECT_EQ(target.problem.empty(), c.backend != Backend::none) << c.name << ": a refusal says why";
    }
}

TEST(SerialNames, ConfigurationFileLinesMapComPorts) {
    const char* text =
        "# receiver on the USB adapter\n"
        "  com1 = /dev/ttyUSB0  \r\n"
        "\n"
        "COM12=virtual:/tmp/ir\n"
        "COM2 /dev/ttyS1\n";
    EXPECT_EQ(findComMapping(text, 1), "/dev/ttyUSB0");
    EXPECT_EQ(findComMapping(text, 12), "virtual:/tmp/ir");
    EXPECT_EQ(findComMapping(text, 2), std::nullopt) << "a line without '=' maps nothing";
    EXPECT_EQ(findComMapping(text, 3), std::nullopt);
}

}  // namespace
}  // namespace port::testing

namespace port::testing {
namespace {

termios cookedLine() {
    termios line{};
    line.c_iflag = ICRNL | IXON | INPCK | BRKINT;
    line.c_oflag = OPOST | ONLCR;
    line.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    line.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL;
    line.c_cc[VMIN] = 1;
    cfsetospeed(&line, B1200);
    cfsetispeed(&line, B1200);
    return line;
}

TEST(LinuxLine, BinaryOnlyClearsTheProcessingButKeepsTheCharacterFormat) {
    termios line = cookedLine();
    keepOnlyBinary(line);
    EXPECT_EQ(line.c_iflag & (ICRNL | IXON | INPCK | BRKINT), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_cflag & CRTSCTS, 0u) << "no CTS flow control";
    EXPECT_NE(line.c_cflag & CLOCAL, 0u) << "the port must not wait for carrier";
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t{CS7 | PARENB | CSTOPB}) << "format changed";
    EXPECT_EQ(cfgetospeed(&line), speed_t{B1200});
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
}

TEST(LinuxLine, ModeSettingsSetOnlyWhatTheyName) {
    termios line = cookedLine();
    ASSERT_TRUE(applyModeSettings(line, *parseModeSettings("COM1:9600,N,8,1")));
    EXPECT_EQ(cfgetospeed(&line), speed_t{B9600});
    EXPECT_EQ(cfgetispeed(&line), speed_t{B9600});
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t{CS8});

    line = cookedLine();
    ASSERT_TRUE(applyModeSettings(line, *parseModeSettings("COM1: parity=o")));
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), tcflag_t{CS7 | PARENB | PARODD | CSTOPB});
    EXPECT_EQ(cfgetospeed(&line), speed_t{B1200});
}

TEST(LinuxLine, BaudRateWithoutATermiosSpeedChangesNothing) {
    termios line = cookedLine();
    const termios before = line;
    EXPECT_FALSE(applyModeSettings(line, *parseModeSettings("COM1:12345,N,8,1")));
    EXPECT_EQ(line.c_cflag, before.c_cflag);
    EXPECT_EQ(cfgetospeed(&line), cfgetospeed(&before));
}

}  // namespace
}  // namespace port::testing
