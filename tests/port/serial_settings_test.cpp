// What a mode string sets on a Linux port, and where a COM name leads.
#include <gtest/gtest.h>

#include <map>

#include "mode_string.h"
#include "posix/termios_mode.h"
#include "serial_names.h"

namespace port::testing {
namespace {

// The character format alone.
ModeSettings format(std::optional<uint32_t> baud, std::optional<Parity> parity, std::optional<int> data,
                    std::optional<StopBits> stop) {
    ModeSettings s;
    s.baud = baud;
    s.parity = parity;
    s.dataBits = data;
    s.stopBits = stop;
    return s;
}

// A short form with settings also resets the line control, as the system's
// own parser does: no handshake letter means DTR and RTS on, no flow control.
ModeSettings shortForm(ModeSettings s, char handshake = 0) {
    const bool hardware = handshake == 'p';
    s.xonXoff = handshake == 'x';
    s.outputCtsFlow = s.outputDsrFlow = hardware;
    s.dtr = s.rts = hardware ? LineControl::handshake : LineControl::on;
    return s;
}

TEST(ModeString, ReadsBothFormsOfTheModeSyntax) {
    using enum LineControl;
    struct Case {
        const char* mode;
        ModeSettings settings;
    };
    const Case cases[] = {
        {"COM1:", {}},
        {"COM1:9600,N,8,1", shortForm(format(9600, Parity::none, 8, StopBits::one))},
        {"COM2:96,e,7,2", shortForm(format(9600, Parity::even, 7, StopBits::two))},
        {"COM2:19200", shortForm(format(19200, {}, {}, {}))},
        {"COM2:,,7", shortForm(format({}, {}, 7, {}))},
        {"COM1: 1200 , o , 5 , 1.5", shortForm(format(1200, Parity::odd, 5, StopBits::onePointFive))},
        {"COM1:9600,n,8,1,x", shortForm(format(9600, Parity::none, 8, StopBits::one), 'x')},
        {"COM1:19,n,8,1,P", shortForm(format(19200, Parity::none, 8, StopBits::one), 'p')},
        {"COM1:11", shortForm(format(110, {}, {}, StopBits::two))},
        {"COM1: baud=9600 parity=N data=8 stop=1", format(9600, Parity::none, 8, StopBits::one)},
        {"COM1: STOP=2 Parity=M", format({}, Parity::mark, {}, StopBits::two)},
        {"com1:baud=96 parity=s", format(9600, Parity::space, {}, {})},
        {"COM1: baud=9600 to=off xon=off odsr=off octs=off idsr=off rts=on",
         {.baud = 9600, .infiniteTimeout = false, .xonXoff = false, .outputDsrFlow = false, .outputCtsFlow = false,
          .rts = on, .dsrSensitivity = false}},
        {"COM1: dtr=hs rts=tg xon=on to=on odsr=on octs=on idsr=on stop=1.5",
         {.stopBits = StopBits::onePointFive, .infiniteTimeout = true, .xonXoff = true, .outputDsrFlow = true,
          .outputCtsFlow = true, .dtr = handshake, .rts = toggle, .dsrSensitivity = true}},
        {"COM1: baud=11 dtr=off rts=hs", {.baud = 110, .stopBits = StopBits::two, .dtr = off, .rts = handshake}},
        {"9600,n,8,1", shortForm(format(9600, Parity::none, 8, StopBits::one))},
    };
    for (const Case& c : cases) {
        const auto parsed = parseModeSettings(c.mode);
        ASSERT_TRUE(parsed.has_value()) << c.mode;
        EXPECT_EQ(*parsed, c.settings) << c.mode;
    }
}

TEST(ModeString, RejectsTheWholeStringWhenAnyPartIsNotUnderstood) {
    for (const char* mode : {"COM1:9600,X,8,1", "COM1:9600,N,9,1", "COM1:9600,N,8,3", "COM1:0", "COM1:abc",
                             "COM1:9600,N,8,1,x,y", "COM1:9600,N,8,1,z", "COM1: baud=9600 parity=Q",
                             "COM1: baud= data=8", "COM1: xon=yes", "COM1: dtr=tg", "COM1: speed=9600",
                             "COM1: baud=9600 stray", "COM1:9600,n,8,1 stop=2"})
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
                                  {10, "lirc:lirc0"},
                                  {12, "virtual:udp:127.0.0.1:5000"},
                                  {13, "virtual:UDP:5000"},
                                  {14, "virtual:udp:127.0.0.1"},
                                  {15, "virtual:udp:127.0.0.1:70000"},
                                  {16, "virtual:udp:127.0.0.256:5000"}});
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
        {"COM12", Backend::virtualReceiver, "udp:127.0.0.1:5000", "PORT_COM12"},
        {"COM13", Backend::virtualReceiver, "UDP:5000", "PORT_COM13"},
        {"COM14", Backend::none, "", "PORT_COM14"},  // no port number
        {"COM15", Backend::none, "", "PORT_COM15"},
        {"COM16", Backend::none, "", "PORT_COM16"},
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
    ModemLevels levels{true, true};
    keepOnlyBinary(line, levels);
    EXPECT_EQ(line.c_iflag & (ICRNL | IXON | INPCK | BRKINT), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_cflag & CRTSCTS, 0u) << "no CTS flow control";
    EXPECT_NE(line.c_cflag & CLOCAL, 0u) << "the port must not wait for carrier";
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t{CS7 | PARENB | CSTOPB}) << "format changed";
    EXPECT_EQ(cfgetospeed(&line), speed_t{B1200});
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
    EXPECT_FALSE(levels.dtr || levels.rts) << "disabled line control leaves DTR and RTS off";
}

// From the cooked line after keepOnlyBinary: 1200 baud, 7 data bits, even
// parity, 2 stop bits, no flow control, DTR and RTS off.
TEST(LinuxLine, ModeSettingsSetOnlyWhatTheyNameAndAllThatTermiosCanCarry) {
    struct Case {
        const char* mode;
        speed_t speed;
        tcflag_t format;  // CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS
        tcflag_t input;   // IXON | IXOFF
        ModemLevels levels;
    };
    const Case cases[] = {
        {"COM1:9600,N,8,1", B9600, CS8, 0, {true, true}},
        {"COM1: parity=o", B1200, CS7 | PARENB | PARODD | CSTOPB, 0, {}},
        {"COM1: baud=96 parity=m data=8 stop=1", B9600, CS8 | PARENB | PARODD | CMSPAR, 0, {}},
        {"COM1:96,n,5,1.5", B9600, CS5 | CSTOPB, 0, {true, true}},
        {"COM1:9600,n,8,1,x", B9600, CS8, IXON | IXOFF, {true, true}},
        {"COM1: octs=on rts=hs dtr=on", B1200, CS7 | PARENB | CSTOPB | CRTSCTS, 0, {true, true}},
        {"COM1: baud=9600 to=off xon=off odsr=off octs=off idsr=off rts=on", B9600, CS7 | PARENB | CSTOPB, 0,
         {false, true}},
    };
    for (const Case& c : cases) {
        termios line = cookedLine();
        ModemLevels levels;
        keepOnlyBinary(line, levels);
        ASSERT_TRUE(applyModeSettings(line, levels, *parseModeSettings(c.mode))) << c.mode;
        EXPECT_EQ(cfgetospeed(&line), c.speed) << c.mode;
        EXPECT_EQ(cfgetispeed(&line), c.speed) << c.mode;
        EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), c.format) << c.mode;
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF), c.input) << c.mode;
        EXPECT_EQ(levels.dtr, c.levels.dtr) << c.mode;
        EXPECT_EQ(levels.rts, c.levels.rts) << c.mode;
    }
}

TEST(LinuxLine, SettingsTermiosCannotCarryChangeNothing) {
    for (const char* mode : {
             "COM1:12345,N,8,1",       // no termios speed
             "COM1:9600,N,8,1.5",      // CSTOPB with 8 data bits is 2 stop bits
             "COM1:9600,N,5,2",        // CSTOPB with 5 data bits is 1.5 stop bits
             "COM1: data=5",           // the line's 2 stop bits would become 1.5
             "COM1: odsr=on", "COM1: idsr=on", "COM1: dtr=hs", "COM1: rts=tg",
             "COM1: octs=on",          // CRTSCTS would make RTS a handshake line too
             "COM1: rts=hs",
             "COM1:9600,n,8,1,p",      // DSR flow and DTR handshake
         }) {
        termios line = cookedLine();
        ModemLevels levels;
        keepOnlyBinary(line, levels);
        const termios before = line;
        EXPECT_FALSE(applyModeSettings(line, levels, *parseModeSettings(mode))) << mode;
        EXPECT_EQ(line.c_cflag, before.c_cflag) << mode;
        EXPECT_EQ(line.c_iflag, before.c_iflag) << mode;
        EXPECT_EQ(cfgetospeed(&line), cfgetospeed(&before)) << mode;
        EXPECT_FALSE(levels.dtr || levels.rts) << mode;
    }
}

}  // namespace
}  // namespace port::testing
