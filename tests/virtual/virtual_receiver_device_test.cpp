// The virtual receiver as the serial group sees it: a port device on a Unix
// socket that behaves like a real port with a receiver on it.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "irframe/irframe.h"
#include "posix/virtual_receiver.h"
#include "posix/virtual_receiver_client.h"
#include "posix/virtual_receiver_protocol.h"

namespace {

namespace fs = std::filesystem;
using port::LineFunction;
using port::ModemLine;
using port::virtual_receiver::FrameSender;
using port::virtual_receiver::monotonicNowNs;

constexpr uint32_t CARRIER = static_cast<uint32_t>(ModemLine::carrier);

class VirtualReceiverDevice : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vr-" + std::to_string(getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        socket_ = (dir_ / "ir.sock").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    static uint32_t status(port::SerialDevice& d) {
        uint32_t s = 0xFFFF;
        EXPECT_TRUE(d.modemStatus(s));
        return s;
    }
    // The receiver as OPENCOM leaves it: RTS on, DTR off.
    static void power(port::SerialDevice& d) {
        d.escape(LineFunction::setRts);
        d.escape(LineFunction::clearDtr);
    }

    fs::path dir_;
    std::string socket_;
};

// The receiver draws its power from RTS (on) and DTR (off); unpowered, DCD
// reads 0 as with a real receiver. CTS, DSR and RI are never set.
TEST_F(VirtualReceiverDevice, ShowsAnIdleLineOnDcdOnlyWhilePoweredByRtsOnAndDtrOff) {
    const struct {
        bool rts, dtr;
        uint32_t expected;
    } cases[] = {{true, false, CARRIER}, {false, false, 0}, {true, true, 0}, {false, true, 0}};
    auto device = port::openVirtualReceiver(socket_);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(status(*device), 0u) << "fresh port: RTS still off";
    for (const auto& c : cases) {
        device->escape(c.rts ? LineFunction::setRts : LineFunction::clearRts);
        device->escape(c.dtr ? LineFunction::setDtr : LineFunction::clearDtr);
        EXPECT_EQ(status(*device), c.expected) << "RTS " << c.rts << ", DTR " << c.dtr;
    }
}

TEST_F(VirtualReceiverDevice, DrawsAFrameSentToItsSocketOnDcd) {
    auto device = port::openVirtualReceiver(socket_);
    ASSERT_NE(device, nullptr);
    power(*device);
    FrameSender sender(socket_);
    const auto frame = rumblet::irframe::ordinaryFrame(0, {0, 0, false, false});
    const int64_t start = monotonicNowNs() + 5'000'000;
    ASSERT_EQ(sender.send(port::virtual_receiver::stretchesOf(rumblet::irframe::pulseTrain(frame, 0)), start), FrameSender::Result::sent);

    // Other programs may hold the processor for milliseconds at a time, so
    // only where the low readings fall is certain, not that each is seen.
    int64_t firstLow = 0, lastLow = 0;
    while (monotonicNowNs() < start + 60'000'000) {
        const int64_t before = monotonicNowNs();
        const bool low = (status(*device) & CARRIER) == 0;
        const int64_t after = monotonicNowNs();
        if (low) {  // the line was read between `before` and `after`
            if (firstLow == 0) firstLow = after;
            lastLow = before;
        }
    }
    ASSERT_NE(firstLow, 0) << "the frame never pulled DCD low";
    const int64_t length = rumblet::irframe::durationUs(rumblet::irframe::pulseTrain(frame, 0)) * 1000;
    EXPECT_GE(firstLow, start) << "the header began before its time";
    EXPECT_LE(lastLow, start + length + 1'000'000) << "the line stayed low after the frame's last pulse";
}

// A second port on the same socket is as unavailable as a device that
// another program holds; the socket is free again once the first is closed.
TEST_F(VirtualReceiverDevice, IsUnavailableWhileAnotherPortListensOnItsSocket) {
    auto first = port::openVirtualReceiver(socket_);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(port::openVirtualReceiver(socket_), nullptr);
    EXPECT_TRUE(first->close());
    EXPECT_FALSE(fs::exists(socket_)) << "closing leaves the socket file behind";
    EXPECT_NE(port::openVirtualReceiver(socket_), nullptr);
}

TEST_F(VirtualReceiverDevice, ReplacesTheSocketOfAReceiverThatEndedButNoOtherFile) {
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_.c_str());
        const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(fd);  // ended without removing its socket
    }
    EXPECT_NE(port::openVirtualReceiver(socket_), nullptr) << "a stale socket blocks the port";

    const std::string plain = (dir_ / "notes.txt").string();
    std::ofstream(plain) << "keep me";
    EXPECT_EQ(port::openVirtualReceiver(plain), nullptr);
    EXPECT_TRUE(fs::is_regular_file(plain)) << "an ordinary file was replaced";
    EXPECT_EQ(port::openVirtualReceiver(std::string(200, 'x')), nullptr) << "a path too long for a socket";
    EXPECT_EQ(port::openVirtualReceiver((dir_ / "no" / "such" / "folder").string()), nullptr);
}

TEST_F(VirtualReceiverDevice, NeverReceivesAByteButWaitsOutTheReadTimeout) {
    auto device = port::openVirtualReceiver(socket_);
    ASSERT_NE(device, nullptr);
    port::CommTimeouts t;
    t.readTotalMultiplier = 1;
    t.readTotalConstant = 20;
    ASSERT_TRUE(device->setTimeouts(t));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(device->readByte(), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(21));
    EXPECT_TRUE(device->transmitChar(0x41)) << "sent bytes are taken";
    EXPECT_TRUE(device->setBreak(true));
}

// A burst timed on another clock (or 2^62 ns) must not make the receiver
// deaf: it is dropped and counted, and the next one shows at its time.
TEST_F(VirtualReceiverDevice, DropsABurstTimedMoreThanASecondFromNow) {
    auto device = port::openVirtualReceiver(socket_);
    ASSERT_NE(device, nullptr);
    power(*device);
    FrameSender sender(socket_);
    const auto stretches = port::virtual_receiver::stretchesOf(
        rumblet::irframe::pulseTrain(rumblet::irframe::ordinaryFrame(0, {0, 0, false, false}), 0));
    const uint64_t droppedBefore = port::virtualReceiverFarBursts();
    for (int64_t far : {int64_t{1} << 62, monotonicNowNs() + 2'000'000'000, monotonicNowNs() - 2'000'000'000})
        ASSERT_EQ(sender.send(stretches, far), FrameSender::Result::sent);
    const int64_t start = monotonicNowNs() + 5'000'000;
    ASSERT_EQ(sender.send(stretches, start), FrameSender::Result::sent);
    bool sawLow = false;
    while (!sawLow && monotonicNowNs() < start + 60'000'000) sawLow = (status(*device) & CARRIER) == 0;
    EXPECT_TRUE(sawLow) << "the receiver went deaf";
    EXPECT_EQ(port::virtualReceiverFarBursts() - droppedBefore, 3u);
}

// Whatever the umask, only the owner may send frames to the port.
TEST_F(VirtualReceiverDevice, ItsSocketIsTheOwnersAlone) {
    const mode_t mask = umask(0);
    auto device = port::openVirtualReceiver(socket_);
    umask(mask);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(fs::status(socket_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(VirtualReceiverDevice, SenderTellsWhenNoReceiverListens) {
    FrameSender sender(socket_);
    EXPECT_EQ(sender.send({{true, 400}}, 0), FrameSender::Result::noReceiver);
    auto device = port::openVirtualReceiver(socket_);
    EXPECT_EQ(sender.send({{true, 400}}, 0), FrameSender::Result::sent);
}

// Every change of the line is recorded at the moment its burst gives it,
// however late the caller looks; waiting for one sleeps until it comes.
TEST_F(VirtualReceiverDevice, RecordsEachChangeOfAFrameAtItsExactMoment) {
    auto device = port::openVirtualReceiver(socket_);
    ASSERT_NE(device, nullptr);
    port::LineEdges* edges = device->edges();
    ASSERT_NE(edges, nullptr);
    EXPECT_EQ(edges->kind(), port::EdgeSourceKind::exact);
    const int64_t poweredAround = monotonicNowNs();
    power(*device);

    const auto train = rumblet::irframe::pulseTrain(rumblet::irframe::ordinaryFrame(2, {5, -7, false, false}), 0);
    const int64_t start = monotonicNowNs() + 5'000'000;
    ASSERT_EQ(FrameSender(socket_).send(port::virtual_receiver::stretchesOf(train), start), FrameSender::Result::sent);
    std::vector<port::LineEdge> expected;
    int64_t at = start;
    for (const auto& level : train) {
        expected.push_back({at, !level.low});
        at += int64_t(level.microseconds) * 1000;
    }
    expected.push_back({at, true});

    std::vector<port::LineEdge> got;
    port::LineEdge edge;
    int64_t complete = 0;
    const int64_t giveUp = monotonicNowNs() + 2'000'000'000;
    while (got.size() < expected.size() + 1 && monotonicNowNs() < giveUp) {
        if (edges->take(edge, complete) == port::LineEdges::Next::edge) got.push_back(edge);
        else edges->wait(50'000'000);
    }
    ASSERT_EQ(got.size(), expected.size() + 1);
    EXPECT_TRUE(got[0].high) << "power on raises DCD";
    EXPECT_GE(got[0].counter, poweredAround);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(got[i + 1].counter, expected[i].counter) << i;
        EXPECT_EQ(got[i + 1].high, expected[i].high) << i;
    }
    EXPECT_EQ(edges->take(edge, complete), port::LineEdges::Next::none);
    EXPECT_GE(complete, expected.back().counter);
}

}  // namespace
