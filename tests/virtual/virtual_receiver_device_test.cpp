// The virtual receiver as the serial group sees it: a port device on a Unix
// or UDP socket that behaves like a real port with a receiver on it; and the
// same device over a socket and a clock of the test's, in virtual time.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

#include "irframe/irframe.h"
#include "virtual_receiver.h"
#include "posix/virtual_receiver_client.h"
#include "virtual_receiver_protocol.h"
#include "virtual_receiver_system.h"

namespace {

namespace fs = std::filesystem;
using port::LineFunction;
using port::ModemLine;
using port::virtual_receiver::FrameSender;
using port::virtual_receiver::monotonicNowNs;

constexpr uint32_t CARRIER = static_cast<uint32_t>(ModemLine::carrier);

// The changes of `train` when it begins at `start` (ns).
template <class Train>
std::vector<port::LineEdge> edgesOf(const Train& train, int64_t start) {
    std::vector<port::LineEdge> edges;
    for (const auto& level : train) {
        edges.push_back({start, !level.low});
        start += int64_t(level.microseconds) * 1000;
    }
    edges.push_back({start, true});
    return edges;
}

// Up to `count` changes, waiting for them at most `timeoutNs`.
std::vector<port::LineEdge> takeEdges(port::LineEdges& edges, size_t count, int64_t timeoutNs = 2'000'000'000) {
    std::vector<port::LineEdge> got;
    port::LineEdge edge;
    int64_t complete = 0;
    const int64_t giveUp = monotonicNowNs() + timeoutNs;
    while (got.size() < count && monotonicNowNs() < giveUp) {
        if (edges.take(edge, complete) == port::LineEdges::Next::edge) got.push_back(edge);
        else edges.wait(10'000'000);
    }
    return got;
}

// A UDP port on the loopback address that no one listens on just now.
uint16_t freeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

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

// A mapping that cannot be opened is refused like an absent port, with a
// line on standard error that says why; nothing in the way is touched.
TEST_F(VirtualReceiverDevice, RefusesAnUnusableAddressAndSaysWhy) {
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
    const std::string busySocket = (dir_ / "busy.sock").string();
    const auto other = port::openVirtualReceiver(busySocket);
    ASSERT_NE(other, nullptr);
    const struct {
        std::string address;
        const char* reason;
    } cases[] = {
        {plain, "a file that is no socket is in the way"},
        {std::string(200, 'x'), "too long for a socket"},
        {(dir_ / "no" / "such" / "folder").string(), "its folder does not exist"},
        {busySocket, "another program listens on this socket"},
        {"udp:127.0.0.1", "no UDP port number"},
        {"udp:127.0.0.1:99999", "not a UDP port number"},
        {"udp:10.1.2.3.4:5000", "not an IPv4 address"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(port::openVirtualReceiver(c.address), nullptr) << c.address;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("port: virtual:" + c.address + ": "), std::string::npos) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << c.address << ": " << said;
    }
    EXPECT_TRUE(fs::is_regular_file(plain)) << "an ordinary file was replaced";
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
    const uint64_t droppedBefore = port::virtualReceiverDropped().mistimed;
    for (int64_t far : {int64_t{1} << 62, monotonicNowNs() + 2'000'000'000, monotonicNowNs() - 2'000'000'000})
        ASSERT_EQ(sender.send(stretches, far), FrameSender::Result::sent);
    const int64_t start = monotonicNowNs() + 5'000'000;
    ASSERT_EQ(sender.send(stretches, start), FrameSender::Result::sent);
    bool sawLow = false;
    while (!sawLow && monotonicNowNs() < start + 60'000'000) sawLow = (status(*device) & CARRIER) == 0;
    EXPECT_TRUE(sawLow) << "the receiver went deaf";
    EXPECT_EQ(port::virtualReceiverDropped().mistimed - droppedBefore, 3u);
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
    const auto expected = edgesOf(train, start);
    const auto got = takeEdges(*edges, expected.size() + 1);
    ASSERT_EQ(got.size(), expected.size() + 1);
    EXPECT_TRUE(got[0].high) << "power on raises DCD";
    EXPECT_GE(got[0].counter, poweredAround);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(got[i + 1].counter, expected[i].counter) << i;
        EXPECT_EQ(got[i + 1].high, expected[i].high) << i;
    }
    port::LineEdge edge;
    int64_t complete = 0;
    EXPECT_EQ(edges->take(edge, complete), port::LineEdges::Next::none);
    EXPECT_GE(complete, expected.back().counter);
}

// Over UDP the sender shares no clock with the library: a burst begins when
// it arrives, whatever moment it names, and keeps its exact lengths. Other
// messages are dropped and counted (the first named on standard error); the
// port is its listener's alone.
TEST_F(VirtualReceiverDevice, OverUdpPlacesEachBurstByItsArrivalAndDropsWhatIsNoBurst) {
    using namespace port::virtual_receiver;
    const uint16_t udpPort = freeUdpPort();
    const std::string address = "udp:127.0.0.1:" + std::to_string(udpPort);
    auto device = port::openVirtualReceiver(address);
    ASSERT_NE(device, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(port::openVirtualReceiver(address), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("another program listens on UDP port"), std::string::npos);
    power(*device);

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(udpPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto sendRaw = [&](const BurstMessage& m, size_t size) {
        ASSERT_EQ(sendto(fd, &m, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), ssize_t(size));
    };
    const auto train = rumblet::irframe::pulseTrain(rumblet::irframe::ordinaryFrame(1, {3, 9, false, false}), 0);
    const BurstMessage good = burstMessage(stretchesOf(train), int64_t{1} << 62);
    const size_t size = burstMessageSize(good.count);
    BurstMessage foreign = good, absurd = good, outOfRange = good;
    foreign.magic = 0x31465249;
    absurd.count = 100'000;
    outOfRange.stretches[3].microseconds = MAX_STRETCH_US + 1;

    const port::DroppedBursts before = port::virtualReceiverDropped();
    testing::internal::CaptureStderr();
    sendRaw(good, 10);
    sendRaw(foreign, size);
    sendRaw(absurd, size);
    sendRaw(outOfRange, size);
    const int64_t sentAround = monotonicNowNs();
    sendRaw(good, size);
    const auto got = takeEdges(*device->edges(), train.size() + 2);
    close(fd);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(takeEdges(*device->edges(), 1, 100'000'000).empty()) << "the malformed messages reached the line";

    ASSERT_GE(got.size(), 2u);
    const int64_t start = got[1].counter;
    EXPECT_GE(start, sentAround) << "the burst began before it was sent";
    EXPECT_LT(start, sentAround + 50'000'000) << "the burst did not begin on its arrival";
    const auto expected = edgesOf(train, start);
    ASSERT_EQ(got.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(got[i + 1].counter, expected[i].counter) << i;
    EXPECT_EQ(FrameSender(address).send(stretchesOf(train), 0), FrameSender::Result::sent);
    EXPECT_EQ(takeEdges(*device->edges(), expected.size()).size(), expected.size()) << "irremote's sender over UDP";
    const port::DroppedBursts after = port::virtualReceiverDropped();
    EXPECT_EQ(after.malformed - before.malformed, 4u);
    EXPECT_EQ(after.mistimed, before.mistimed) << "the time the sender wrote was taken";
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST(VirtualReceiverAddress, ListensOnLoopbackUnlessAnotherAddressIsNamed) {
    using port::virtual_receiver::ReceiverAddress;
    const struct {
        const char* text;
        ReceiverAddress::Kind kind;
        const char* canonical;
    } cases[] = {
        {"udp:5000", ReceiverAddress::Kind::udp, "udp:127.0.0.1:5000"},
        {"udp:localhost:5000", ReceiverAddress::Kind::udp, "udp:127.0.0.1:5000"},
        {"udp:0.0.0.0:65535", ReceiverAddress::Kind::udp, "udp:0.0.0.0:65535"},
        {"udp:192.168.1.20:1", ReceiverAddress::Kind::udp, "udp:192.168.1.20:1"},
        {"/run/ir.sock", ReceiverAddress::Kind::unixSocket, "/run/ir.sock"},
    };
    for (const auto& c : cases) {
        std::string problem;
        const auto address = port::virtual_receiver::parseReceiverAddress(c.text, problem);
        ASSERT_TRUE(address) << c.text << ": " << problem;
        EXPECT_EQ(address->kind, c.kind) << c.text;
        EXPECT_EQ(address->text(), c.canonical);
    }
}

// The receiver in virtual time: a socket the test fills and a clock it
// moves, the recorder's thread running as in the library.
class FakeClock final : public port::TimingSystem {
public:
    uint32_t milliseconds() override { return uint32_t(now / 1'000'000); }
    int64_t counter() override { return now; }
    int64_t counterFrequency() override { return 1'000'000'000; }
    void setPriorityClass(port::PriorityClass) override {}
    std::atomic<int64_t> now{1'000'000'000};
};

class FakeSocket final : public port::virtual_receiver::ReceiverSocket {
public:
    explicit FakeSocket(bool sharesClock) : sharesClock_(sharesClock) {}

    int64_t receive(void* buffer, std::size_t size) override {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return -1;
        const std::string message = std::move(queue_.front());
        queue_.pop_front();
        std::memcpy(buffer, message.data(), std::min(size, message.size()));
        return int64_t(message.size());
    }
    bool pending() override {
        std::lock_guard lock(mutex_);
        return !queue_.empty();
    }
    Wake wait(int64_t) override {
        std::unique_lock lock(mutex_);
        ++waits_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return woken_ || !queue_.empty() || ticks_ > 0; });
        if (woken_) return Wake::woken;
        ticks_ = 0;
        return Wake::ready;
    }
    void wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        changed_.notify_all();
    }
    bool sendersShareClock() const override { return sharesClock_; }

    // Hands `message` to the recorder's thread, or only wakes it, and returns
    // once the thread has taken it and gone back to sleep.
    void deliver(std::optional<port::virtual_receiver::BurstMessage> message) {
        std::unique_lock lock(mutex_);
        const int64_t waitsBefore = waits_;
        if (message) {
            const auto* bytes = reinterpret_cast<const char*>(&*message);
            queue_.emplace_back(bytes, port::virtual_receiver::burstMessageSize(message->count));
        } else {
            ++ticks_;
        }
        changed_.notify_all();
        changed_.wait(lock, [&] { return waits_ > waitsBefore && queue_.empty() && ticks_ == 0; });
    }

private:
    const bool sharesClock_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> queue_;
    int64_t waits_ = 0;
    int ticks_ = 0;
    bool woken_ = false;
};

struct VirtualTimeReceiver {
    explicit VirtualTimeReceiver(bool sharesClock) {
        auto owned = std::make_unique<FakeSocket>(sharesClock);
        socket = owned.get();
        device = port::virtualReceiverOn(std::move(owned), clock, "virtual:test");
        power(*device);
    }
    static void power(port::SerialDevice& d) {
        d.escape(LineFunction::setRts);
        d.escape(LineFunction::clearDtr);
    }
    FakeClock clock;
    FakeSocket* socket;
    std::unique_ptr<port::SerialDevice> device;
};

// A caller that reads the edges and never polls DCD: the receiver keeps no
// burst that is over, however long the drive.
TEST(VirtualReceiverInVirtualTime, KeepsNoBurstThatIsOverWhenOnlyEdgesAreRead) {
    using namespace port::virtual_receiver;
    VirtualTimeReceiver r(true);
    const auto stretches =
        stretchesOf(rumblet::irframe::pulseTrain(rumblet::irframe::ordinaryFrame(0, {1, 2, false, false}), 0));
    port::LineEdge edge;
    int64_t complete = 0;
    const auto drive = [&](int frames) {
        for (int k = 0; k < frames; ++k) {
            r.clock.now += 40'000'000;
            r.socket->deliver(burstMessage(stretches, r.clock.now));
            while (r.device->edges()->take(edge, complete) == port::LineEdges::Next::edge) {
            }
        }
    };
    drive(500);  // the allocator settles
    const size_t heldBefore = mallinfo2().uordblks;
    drive(5000);
    const size_t heldAfter = mallinfo2().uordblks;
    EXPECT_LT(heldAfter, heldBefore + 256 * 1024) << "the receiver held on to bursts long over";
}

// A burst that arrives after its own start begins, on DCD and in the edges
// alike, just after the latest moment either has already told, and whole.
TEST(VirtualReceiverInVirtualTime, DcdAndEdgesShowALateBurstAtTheSameMomentAndWhole) {
    using namespace port::virtual_receiver;
    VirtualTimeReceiver r(true);
    port::LineEdge edge;
    int64_t complete = 0;
    const int64_t t0 = r.clock.now;
    while (r.device->edges()->take(edge, complete) == port::LineEdges::Next::edge) {
    }
    uint32_t status = 0;
    r.clock.now = t0 + 10'000'000;
    r.device->modemStatus(status);  // DCD told up to 10 ms
    r.clock.now = t0 + 12'000'000;
    EXPECT_EQ(r.device->edges()->take(edge, complete), port::LineEdges::Next::none);
    EXPECT_EQ(complete, t0 + 12'000'000) << "the edges told up to 12 ms";

    r.socket->deliver(burstMessage({{true, 2600}, {false, 400}, {true, 400}}, t0 + 9'000'000));  // late by 3 ms
    const int64_t start = t0 + 12'000'000 + 1;
    // DCD, asked in time order as the capture asks.
    const struct {
        int64_t at;
        bool high;
    } levels[] = {{start - 1, true}, {start, false}, {start + 2'599'999, false}, {start + 2'600'000, true},
                  {start + 3'000'000, false}, {start + 3'400'000, true}};
    for (const auto& l : levels) {
        r.clock.now = l.at;
        ASSERT_TRUE(r.device->modemStatus(status));
        EXPECT_EQ((status & CARRIER) != 0, l.high) << "at " << l.at - start;
    }
    // The edges in the same moments.
    r.clock.now = start + 10'000'000;
    r.socket->deliver(std::nullopt);
    std::vector<int64_t> changes;
    while (r.device->edges()->take(edge, complete) == port::LineEdges::Next::edge) changes.push_back(edge.counter);
    EXPECT_EQ(changes, (std::vector<int64_t>{start, start + 2'600'000, start + 3'000'000, start + 3'400'000}));
}

}  // namespace
