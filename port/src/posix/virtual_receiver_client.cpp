#include "virtual_receiver_client.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "virtual_receiver_protocol.h"

namespace port::virtual_receiver {

FrameSender::FrameSender(std::string socketPath) : path_(std::move(socketPath)) {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

FrameSender::~FrameSender() {
    if (fd_ >= 0) close(fd_);
}

FrameSender::Result FrameSender::send(uint32_t frame, int64_t startNs) {
    sockaddr_un address{};
    if (fd_ < 0 || !socketAddress(path_, address)) {
        errno = EINVAL;
        return Result::failed;
    }
    const FrameMessage message{FRAME_MESSAGE_MAGIC, frame & FRAME_VALUE_MASK, startNs};
    ssize_t sent;
    do {
        sent = sendto(fd_, &message, sizeof message, MSG_DONTWAIT | MSG_NOSIGNAL,
                      reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (sent < 0 && errno == EINTR);
    if (sent == ssize_t(sizeof message)) return Result::sent;
    if (errno == ENOENT || errno == ECONNREFUSED) return Result::noReceiver;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return Result::busy;
    return Result::failed;
}

int64_t monotonicNowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace port::virtual_receiver
