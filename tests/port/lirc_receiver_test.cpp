// A Linux IR receiver as the port sees it, fed the kernel's mode2 words
// through a pipe (no IR device is ever opened).
#include <gtest/gtest.h>

#include <linux/lirc.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "edge_record.h"
#include "posix/lirc_receiver.h"

namespace port {
namespace {

using Next = LineEdges::Next;

struct FakeReceiver {
    FakeReceiver() {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        writeEnd = ends[1];
        device = lircReceiverOn(ends[0], "/dev/lirc-fake");
    }
    ~FakeReceiver() {
        if (writeEnd >= 0) close(writeEnd);
    }
    void send(const std::vector<uint32_t>& words) {
        ASSERT_EQ(write(writeEnd, words.data(), words.size() * 4), ssize_t(words.size() * 4));
    }
    // Waits for the next answer that is not "none waiting".
    Next next(LineEdge& edge) {
        int64_t complete = 0;
        for (int tries = 0; tries < 200; ++tries) {
            const Next got = device->edges()->take(edge, complete);
            if (got != Next::none) return got;
            device->edges()->wait(10'000'000);
        }
        return Next::none;
    }
    uint32_t dcd() {
        uint32_t status = 0;
        device->modemStatus(status);
        return status;
    }

    int writeEnd = -1;
    std::unique_ptr<SerialDevice> device;
};

// A header and one bit, read in one go after the kernel's idle report: the
// edges keep the kernel's lengths, and the last one ends when it was read.
TEST(LircReceiver, TimesEdgesFromTheKernelsLengthsAndReportsOverflowAndTheEnd) {
    FakeReceiver r;
    ASSERT_NE(r.device, nullptr);
    EXPECT_EQ(r.device->edges()->kind(), EdgeSourceKind::kernel);
    EXPECT_EQ(r.dcd(), 0x80u) << "idle line: DCD set";
    r.send({LIRC_SPACE(50000), LIRC_PULSE(2600), LIRC_SPACE(400), LIRC_PULSE(400), LIRC_TIMEOUT(10000)});
    std::vector<LineEdge> edges(4);
    for (LineEdge& e : edges) ASSERT_EQ(r.next(e), Next::edge);
    const std::vector<bool> levels{false, true, false, true};
    const std::vector<int64_t> offsetsUs{0, 2600, 3000, 3400};
    for (size_t i = 0; i < edges.size(); ++i) {
        EXPECT_EQ(edges[i].high, levels[i]) << i;
        EXPECT_EQ(edges[i].counter - edges[0].counter, offsetsUs[i] * 1000) << i;
    }

    r.send({LIRC_SPACE(3000), LIRC_OVERFLOW(0)});
    LineEdge e;
    ASSERT_EQ(r.next(e), Next::edge);
    EXPECT_FALSE(e.high);
    EXPECT_EQ(r.next(e), Next::lost) << "the receiver's overflow";
    ASSERT_EQ(r.next(e), Next::edge);
    EXPECT_TRUE(e.high) << "after an overflow the line counts as idle";

    close(r.writeEnd);  // the receiver is unplugged
    r.writeEnd = -1;
    EXPECT_EQ(r.next(e), Next::failed);
    EXPECT_EQ(r.dcd(), 0u) << "nothing attached any more";
}

// The kernel's lengths survive however its words are split between reads:
// the moment of a read places the chain, never cuts a level inside it.
TEST(LircReceiver, EveryLevelKeepsTheKernelsLengthWhateverTheReads) {
    struct Read {
        int64_t atUs;
        std::vector<uint32_t> words;
    };
    struct Case {
        const char* what;
        std::vector<Read> reads;
        std::vector<int64_t> edgesUs;  // low, high, low, ... from the first read's time
    };
    const Case cases[] = {
        {"a later read comes sooner after its level than the first did",
         {{100000, {LIRC_SPACE(50000), LIRC_PULSE(2600)}}, {100300, {LIRC_SPACE(1100)}}, {101000, {LIRC_PULSE(400)}}},
         {97400, 100000, 101100, 101500}},
        {"a carrier report inside the batch",
         {{100000, {LIRC_SPACE(50000), LIRC_PULSE(2600), LIRC_FREQUENCY(38000), LIRC_SPACE(400), LIRC_PULSE(400)}}},
         {96600, 99200, 99600, 100000}},
    };
    for (const Case& c : cases) {
        EdgeRecord record(EdgeSourceKind::kernel, 0);
        Mode2Timeline timeline(record);
        for (const Read& r : c.reads) timeline.take(r.words.data(), r.words.size(), r.atUs * 1000);
        std::vector<int64_t> edgesUs;
        LineEdge edge;
        int64_t complete = 0;
        bool high = true;
        while (record.take(edge, complete) == Next::edge) {
            EXPECT_NE(edge.high, high) << c.what;
            high = edge.high;
            edgesUs.push_back(edge.counter / 1000);
        }
        EXPECT_EQ(edgesUs, c.edgesUs) << c.what;
    }
}

TEST(LircReceiver, DeviceThatCannotReportPulseLengthsIsRefusedByName) {
    const auto path = std::filesystem::temp_directory_path() / ("not-lirc-" + std::to_string(getpid()));
    std::fclose(std::fopen(path.c_str(), "w"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(openLircReceiver(path.string()), nullptr);
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(path.string()), std::string::npos) << message;
    EXPECT_NE(message.find("pulse lengths"), std::string::npos) << message;
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace port
