#include "posix/ioport_devport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include "no_destructor.h"

namespace port {

namespace {

// One access through a descriptor opened for it alone: nothing is cached,
// as with the instructions themselves.
template <class Access>
bool onDevice(const std::string& device, int flags, Access access) {
    const int fd = ::open(device.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t done;
    do {
        done = access(fd);
    } while (done < 0 && errno == EINTR);
    ::close(fd);
    return done == 1;
}

}  // namespace

DevPortSystem::DevPortSystem(std::string device) : device_(std::move(device)) {}

bool DevPortSystem::in(uint16_t address, uint8_t& value) {
    return onDevice(device_, O_RDONLY, [&](int fd) { return ::pread(fd, &value, 1, address); });
}

bool DevPortSystem::out(uint16_t address, uint8_t value) {
    return onDevice(device_, O_WRONLY, [&](int fd) { return ::pwrite(fd, &value, 1, address); });
}

IoPortSystem& platformIoPortSystem() {
    static NoDestructor<DevPortSystem> system;
    return *system;
}

}  // namespace port
