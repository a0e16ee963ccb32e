// The virtual receiver's socket on Linux: a Unix datagram socket in the file
// system, or a UDP socket, with an eventfd to end the recorder's wait.
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "posix/edge_sources.h"
#include "posix/virtual_receiver_client.h"
#include "virtual_receiver_system.h"

namespace port::virtual_receiver {

namespace {

// Only the user who opened the port may send frames to it, whatever the
// umask: the file gets its rights as it is made, not after.
bool bindOwnerOnly(int fd, const sockaddr_un& address) {
    const mode_t mask = umask(0177);
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int error = errno;
    umask(mask);
    if (bound) chmod(address.sun_path, 0600);
    errno = error;
    return bound;
}

// A socket file that refuses a connection belongs to a receiver that ended
// without cleaning up; one that accepts belongs to a running program.
bool isStaleSocket(const sockaddr_un& address) {
    struct stat st {};
    if (lstat(address.sun_path, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
    const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool refused = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                         errno == ECONNREFUSED;
    close(probe);
    return refused;
}

bool isSocketFile(const char* path) {
    struct stat st {};
    return lstat(path, &st) == 0 && S_ISSOCK(st.st_mode);
}

class PosixReceiverSocket final : public ReceiverSocket {
public:
    PosixReceiverSocket(int fd, int wakeFd, std::string unlinkPath)
        : fd_(fd), wakeFd_(wakeFd), unlinkPath_(std::move(unlinkPath)) {}
    ~PosixReceiverSocket() override {
        ::close(fd_);
        ::close(wakeFd_);
        if (!unlinkPath_.empty()) unlink(unlinkPath_.c_str());
    }

    // MSG_TRUNC: the datagram's whole size, so that a longer one is seen as such.
    int64_t receive(void* buffer, std::size_t size) override {
        while (true) {
            const ssize_t got = recv(fd_, buffer, size, MSG_DONTWAIT | MSG_TRUNC);
            if (got >= 0) return got;
            if (errno != EINTR) return -1;
        }
    }

    bool pending() override {
        pollfd entry{fd_, POLLIN, 0};
        return poll(&entry, 1, 0) != 0;
    }

    Wake wait(int64_t timeoutNs) override {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const timespec timeout{time_t(timeoutNs / 1'000'000'000), long(timeoutNs % 1'000'000'000)};
        const int ready = ppoll(fds, 2, &timeout, nullptr);
        if (fds[1].revents != 0) return Wake::woken;
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) return Wake::failed;
        return ready > 0 ? Wake::ready : Wake::timedOut;
    }

    void wake() override {
        const uint64_t one = 1;
        (void)!write(wakeFd_, &one, sizeof one);
    }

    bool sendersShareClock() const override { return unixSocket(); }

private:
    bool unixSocket() const { return !unlinkPath_.empty(); }

    int fd_;
    int wakeFd_;
    std::string unlinkPath_;
};

std::string errorText(int error) { return std::strerror(error); }

int openUnixSocket(const std::string& path, std::string& why) {
    sockaddr_un address{};
    if (!socketAddress(path, address)) {
        why = path.empty() ? "no socket path" : "the path is too long for a socket (at most " +
                                                     std::to_string(sizeof address.sun_path - 1) + " bytes)";
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        why = errorText(errno);
        return -1;
    }
    bool bound = bindOwnerOnly(fd, address);
    if (!bound && errno == EADDRINUSE && isStaleSocket(address)) {
        unlink(address.sun_path);
        bound = bindOwnerOnly(fd, address);
    }
    if (bound) return fd;
    const int error = errno;
    if (error == EADDRINUSE)
        why = isSocketFile(address.sun_path) ? "another program listens on this socket"
                                             : "a file that is no socket is in the way";
    else if (error == ENOENT)
        why = "its folder does not exist";
    else
        why = errorText(error);
    close(fd);
    return -1;
}

int openUdpSocket(const ReceiverAddress& a, std::string& why) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        why = errorText(errno);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(a.port);
    address.sin_addr.s_addr = htonl(a.ipv4);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    const int error = errno;
    if (error == EADDRINUSE) why = "another program listens on UDP port " + std::to_string(a.port);
    else if (error == EADDRNOTAVAIL) why = "no such address on this machine";
    else why = errorText(error);
    close(fd);
    return -1;
}

}  // namespace

std::unique_ptr<ReceiverSocket> openReceiverSocket(const ReceiverAddress& address, std::string& why) {
    const bool local = address.kind == ReceiverAddress::Kind::unixSocket;
    const int fd = local ? openUnixSocket(address.socketPath, why) : openUdpSocket(address, why);
    if (fd < 0) return nullptr;
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        why = errorText(errno);
        close(fd);
        if (local) unlink(address.socketPath.c_str());
        return nullptr;
    }
    return std::make_unique<PosixReceiverSocket>(fd, wakeFd, local ? address.socketPath : std::string());
}

void raiseRecorderThread() { askForRealtimePriority(); }

}  // namespace port::virtual_receiver
