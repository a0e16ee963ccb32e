// I/O ports: which bits of the argument slots reach the port, refusals as
// access-refused faults, and the Linux port device (a plain file stands in
// for it: the byte at offset N is port N).
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>

#include "fault_of.h"
#include "ioport.h"
#include "posix/ioport_devport.h"

namespace port {
namespace {

using testing::faultOf;

class FakePorts : public IoPortSystem {
public:
    std::map<uint16_t, uint8_t> bytes;
    bool refused = false;
    std::vector<uint16_t> reads;
    bool in(uint16_t address, uint8_t& value) override {
        reads.push_back(address);
        if (refused) return false;
        value = bytes[address];
        return true;
    }
    bool out(uint16_t address, uint8_t value) override {
        if (refused) return false;
        bytes[address] = value;
        return true;
    }
};

TEST(IoPorts, AddressIsTheLow16BitsAndValueTheLow8Bits) {
    FakePorts system;
    IoPorts ports(system);
    ports.out(0x1234, 0x1FF);
    ports.out(0x7FFF0300, 0x42);
    EXPECT_EQ(system.bytes[0x1234], 0xFF);
    EXPECT_EQ(system.bytes[0x0300], 0x42);
    EXPECT_EQ(ports.in(0x1234), 0xFF);
    EXPECT_EQ(ports.in(-1), 0);
    EXPECT_EQ(system.reads, (std::vector<uint16_t>{0x1234, 0xFFFF}));
}

TEST(IoPorts, ARefusedAccessIsAnAccessRefusedFault) {
    FakePorts system;
    system.refused = true;
    IoPorts ports(system);
    EXPECT_EQ(faultOf([&] { ports.in(0x378); }), Fault::accessRefused);
    EXPECT_EQ(faultOf([&] { ports.out(0x378, 1); }), Fault::accessRefused);
}

TEST(DevPort, ReadsAndWritesOneByteAtThePortsOffset) {
    char path[] = "/tmp/port-io-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::vector<unsigned char> space(0x10000, 0x00);
    space[0x0378] = 0x5A;
    ASSERT_EQ(write(fd, space.data(), space.size()), static_cast<ssize_t>(space.size()));
    close(fd);

    DevPortSystem system(path);
    uint8_t value = 0;
    EXPECT_TRUE(system.in(0x0378, value));
    EXPECT_EQ(value, 0x5A);
    EXPECT_TRUE(system.out(0x1234, 0xFF));
    EXPECT_TRUE(system.in(0x1234, value));
    EXPECT_EQ(value, 0xFF);
    EXPECT_TRUE(system.in(0x1235, value));
    EXPECT_EQ(value, 0x00) << "one byte written, not more";
    std::remove(path);
}

TEST(DevPort, AnInaccessibleDeviceRefusesWithoutTouchingAnything) {
    DevPortSystem system("/nonexistent/port");
    uint8_t value = 7;
    EXPECT_FALSE(system.in(0x378, value));
    EXPECT_EQ(value, 7);
    EXPECT_FALSE(system.out(0x378, 1));
}

}  // namespace
}  // namespace port
