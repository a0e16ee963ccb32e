#include "posix/joystick_linux.h"

#include <fcntl.h>
#include <linux/joystick.h>
#include <unistd.h>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include "no_destructor.h"

namespace port {

namespace {

constexpr int axisCount = 6;  // X, Y, Z, R, U, V

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

uint32_t scaleJoystickAxis(int16_t value) {
    const int64_t v = std::clamp<int64_t>(value, -32767, 32767) + 32767;  // 0..65534
    return static_cast<uint32_t>((v * 65535 + 32767) / 65534);
}

LinuxJoystickSystem::LinuxJoystickSystem(std::string device) : device_(std::move(device)) {}

bool LinuxJoystickSystem::query(uint32_t, JoystickReading& reading) {
    FileDescriptor fd(::open(device_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return false;

    uint32_t axes[axisCount] = {};  // an axis the joystick lacks reads 0
    std::bitset<256> pressed;
    js_event events[64];
    for (;;) {
        const ssize_t n = ::read(fd.get(), events, sizeof events);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // drained (EAGAIN), end of a recorded stream, or gone
        for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof(js_event); ++i) {
            const js_event& e = events[i];
            const unsigned type = e.type & ~JS_EVENT_INIT;
            if (type == JS_EVENT_AXIS && e.number < axisCount)
                axes[e.number] = scaleJoystickAxis(e.value);
            else if (type == JS_EVENT_BUTTON)
                pressed[e.number] = e.value != 0;
        }
    }
    reading.x = axes[0];
    reading.y = axes[1];
    reading.z = axes[2];
    reading.r = axes[3];
    reading.u = axes[4];
    reading.v = axes[5];
    reading.pressedButtons = static_cast<uint32_t>(pressed.count());
    return true;
}

JoystickSystem& platformJoystickSystem() {
    static NoDestructor<LinuxJoystickSystem> system;
    return *system;
}

}  // namespace port
