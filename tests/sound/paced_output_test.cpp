// The file and silent outputs of the Windows program (portable, so they run
// here and under Wine): the raw file holds the output exactly as SDL's disk
// driver writes it, and it is written at the pace of real time, never
// ahead of it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "sound/mixer.h"
#include "sound/paced_output.h"
#include "sound/sound_device.h"
#include "sound/sound_output.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Frame n of the output: left n, right -n, so order and interleaving show.
struct CountingSource {
    std::atomic<int64_t> frames{0};
    RenderStart start() {
        return [this](int32_t) -> RenderFunction {
            return [this](float* out, size_t count) {
                for (size_t i = 0; i < count; ++i, ++frames) {
                    out[2 * i] = static_cast<float>(frames.load());
                    out[2 * i + 1] = -static_cast<float>(frames.load());
                }
            };
        };
    }
};

std::vector<float> rawFloats(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<float> floats(bytes.size() / sizeof(float));
    std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
    EXPECT_EQ(bytes.size() % (sizeof(float) * MIXER_OUTPUT_CHANNELS * OUTPUT_BLOCK_FRAMES), 0u) << "whole blocks";
    return floats;
}

TEST(PacedOutput, WritesTheRawOutputAtThePaceOfRealTime) {
    testing::TempFolder folder;
    const std::string path = folder.path() + "/out.raw";
    CountingSource source;
    const auto started = Clock::now();
    auto output = std::make_unique<PacedOutput>(0, source.start(), path);
    EXPECT_EQ(output->rate(), DEFAULT_OUTPUT_RATE);
    std::this_thread::sleep_for(300ms);
    output.reset();
    const double elapsedSeconds = std::chrono::duration<double>(Clock::now() - started).count();

    const std::vector<float> floats = rawFloats(path);
    const int64_t frames = static_cast<int64_t>(floats.size()) / MIXER_OUTPUT_CHANNELS;
    EXPECT_EQ(frames, source.frames.load()) << "every rendered frame is in the file";
    for (int64_t n = 0; n < frames; ++n) {
        ASSERT_EQ(floats[size_t(2 * n)], float(n)) << "frame " << n;
        ASSERT_EQ(floats[size_t(2 * n + 1)], -float(n)) << "frame " << n;
    }
    // Never ahead of real time: one block is rendered ahead, no more.
    EXPECT_LE(frames, elapsedSeconds * DEFAULT_OUTPUT_RATE + OUTPUT_BLOCK_FRAMES)
        << frames << " frames in " << elapsedSeconds << " s";
    EXPECT_GT(frames, 0);
}

TEST(PacedOutput, PlaysAtTheRateAskedWithoutAFile) {
    CountingSource source;
    int32_t startedAt = 0;
    PacedOutput output(22050, [&](int32_t rate) {
        startedAt = rate;
        return source.start()(rate);
    }, "");
    EXPECT_EQ(startedAt, 22050);
    EXPECT_TRUE(testing::eventually([&] { return source.frames >= 2 * OUTPUT_BLOCK_FRAMES; }))
        << "the silent output renders too";
    EXPECT_FALSE(output.removed());
}

TEST(PacedOutput, AFileThatCannotBeWrittenIsNoOutput) {
    testing::TempFolder folder;
    CountingSource source;
    try {
        PacedOutput output(0, source.start(), folder.path());
        ADD_FAILURE() << "a folder was opened as the output file";
    } catch (const SoundError& e) {
        EXPECT_EQ(e.code(), SOUND_ERROR_NO_OUTPUT);
        EXPECT_NE(std::string(e.what()).find(folder.path()), std::string::npos) << e.what();
    }
}

// A disk that fills up while the output runs loses the output, as a device
// that is unplugged.
TEST(PacedOutput, AFullDiskLosesTheOutput) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no full disk to write to here";
    CountingSource source;
    PacedOutput full(0, source.start(), "/dev/full");
    EXPECT_TRUE(testing::eventually([&] { return full.removed(); }));
}

}  // namespace
}  // namespace rumblet
