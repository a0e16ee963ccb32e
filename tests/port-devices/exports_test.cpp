// The sound card, joystick and I/O port exports of libport.so as a caller
// sees them: results, PORTERROR, the boxes on standard error, and the busy
// flag from a second thread.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "alsa_test_devices.h"
#include "port.h"

// While set, every allocation fails: this program's operator new is also
// the one libport.so calls.
static bool failAllocations = false;

void* operator new(std::size_t size) {
    if (!failAllocations)
        if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

using port::testing::AlsaTestDevices;
using Bytes = std::vector<unsigned char>;

bool exists(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0;
}

// Each test starts from the library's initial sound settings and device.
struct Exports : ::testing::Test {
    AlsaTestDevices& devices = AlsaTestDevices::install();
    void SetUp() override {
        ::unsetenv("PORT_ALSA_DEVICE");
        PORTERROR();
    }
    void TearDown() override {
        ::unsetenv("PORT_ALSA_DEVICE");
        SOUNDSETRATE(11025);
        SOUNDSETBYTES(1);
    }
};

TEST_F(Exports, RateAndWidthStartAt11025And1AndANegativeRateReadsAsARangeError) {
    EXPECT_EQ(SOUNDGETRATE(), 11025);
    EXPECT_EQ(SOUNDGETBYTES(), 1);
    EXPECT_EQ(SOUNDSETBYTES(16), 2);
    EXPECT_EQ(SOUNDSETRATE(-1), 11025);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_NONE);
    EXPECT_EQ(SOUNDGETRATE(), 0);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_RANGE);
}

TEST_F(Exports, ANegativeStereoCountIsARangeError) {
    unsigned char buffer[4] = {};
    SSOUNDOUT(buffer, -1);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_RANGE);
    SSOUNDIN(buffer, INT32_MIN);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_RANGE);
    EXPECT_EQ(SOUNDBUSY(), 0);
}

TEST_F(Exports, TransfersUseTheDefaultDevice) {
    ::unlink(devices.path("default.raw").c_str());
    SOUNDSETBYTES(2);
    const Bytes played = {1, 2, 3, 4, 5, 6, 7, 8};
    SOUNDOUT(const_cast<unsigned char*>(played.data()), 4);
    EXPECT_EQ(devices.read("default.raw"), Bytes(played.begin(), played.begin() + 6));

    devices.write("default.in", {9, 8, 7, 6, 5});
    Bytes captured(6, 0);
    SOUNDIN(captured.data(), 3);
    EXPECT_EQ(captured, (Bytes{9, 8, 7, 6, 0, 0}));
}

TEST_F(Exports, SoundbusyFromASecondThreadDuringATransfer) {
    ::setenv("PORT_ALSA_DEVICE", "fifo", 1);
    const int reader = ::open(devices.path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Bytes buffer(150000, 0x80);
    EXPECT_EQ(SOUNDBUSY(), 0);
    std::thread player([&] { SOUNDOUT(buffer.data(), static_cast<int32_t>(buffer.size())); });
    int32_t seen = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((seen = SOUNDBUSY()) == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_EQ(seen, -1);

    ::fcntl(reader, F_SETFL, 0);
    std::size_t played = 0;
    char chunk[8192];
    for (ssize_t n; (n = ::read(reader, chunk, sizeof chunk)) > 0;) played += static_cast<std::size_t>(n);
    player.join();
    ::close(reader);
    EXPECT_EQ(played, buffer.size() - 1);
    EXPECT_EQ(SOUNDBUSY(), 0);
}

TEST_F(Exports, SoundisTellsWhetherTheCaptureDeviceOpens) {
    EXPECT_EQ(SOUNDIS(), -1);
    ::setenv("PORT_ALSA_DEVICE", "nonexistent", 1);
    EXPECT_EQ(SOUNDIS(), 0);
}

TEST_F(Exports, BoxesGoToStandardErrorWithTheirCaptions) {
    ::setenv("PORT_ALSA_DEVICE", "played", 1);
    ::testing::internal::CaptureStderr();
    SOUNDCAPOUT();
    std::string expected = "DadO.DLL: played 2 channel.";
    for (const char* rate : {"11.025 kHz", "22.05  kHz", "44.1   kHz"})
        for (const char* format : {"mono,   8-bit ", "stereo, 8-bit ", "mono,   16-bit", "stereo, 16-bit"})
            expected += std::string("\n") + rate + ", " + format;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected + "\n");

    ::setenv("PORT_ALSA_DEVICE", "nonexistent", 1);
    unsigned char buffer[8] = {};
    ::testing::internal::CaptureStderr();
    SOUNDCAPIN();
    SOUNDOUT(buffer, 8);
    const std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("DadO.DLL: No Device.\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find(std::string("Rivir32: ") + snd_strerror(-ENOENT) + "\n"), std::string::npos) << shown;
    EXPECT_EQ(SOUNDBUSY(), 0);
}

TEST_F(Exports, AFailedAllocationInsideACallIsItsNothingValueAndOutOfMemory) {
    ::setenv("PORT_ALSA_DEVICE", "played", 1);
    failAllocations = true;
    const int32_t opened = OPENCOM("COM9: baud=9600 parity=n data=8 stop=1");
    const int32_t openError = PORTERROR();
    SOUNDCAPOUT();  // the capability text is built in memory
    const int32_t boxError = PORTERROR();
    failAllocations = false;
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(openError, PORT_ERROR_OUT_OF_MEMORY);
    EXPECT_EQ(boxError, PORT_ERROR_OUT_OF_MEMORY);
    EXPECT_EQ(CLOSECOM(), 0) << "no port may be open";
}

TEST_F(Exports, JoystickValuesAreZeroWithoutAJoystick) {
    if (exists("/dev/input/js0")) GTEST_SKIP() << "this machine has a joystick";
    EXPECT_EQ(JOYX() | JOYY() | JOYZ() | JOYR() | JOYU() | JOYV() | JOYBUTTON(), 0);
    int32_t v[7] = {1, 1, 1, 1, 1, 1, 1};
    JOYSTICK(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(v[i], 0) << "value " << i;
}

TEST_F(Exports, RefusedPortAccessReadsFFAndReportsIt) {
    // Never on a machine where the ports are real and reachable.
    if (exists("/dev/port")) GTEST_SKIP() << "this machine has a port device";
    EXPECT_EQ(INPORT(0x1234), 0xFF);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_ACCESS_REFUSED);
    OUTPORT(0x1234, 0x1FF);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_ACCESS_REFUSED);
    EXPECT_EQ(PORTERROR(), PORT_ERROR_NONE) << "reading the error clears it";
}

}  // namespace

int main(int argc, char** argv) {
    AlsaTestDevices::install();  // before the library's first ALSA call
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
