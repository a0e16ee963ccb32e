#include "virtual_receiver_client.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "virtual_receiver_protocol.h"

namespace port::virtual_receiver {

FrameSender::FrameSender(std::string socketPath) : path_(std::move(socketPath)) {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

FrameSender::~FrameSender() {
    if (fd_ >= 0) close(fd_);
}

FrameSender::Result FrameSender::send(const std::vector<Stretch>& stretches, int64_t startNs) {
    sockaddr_un address{};
    if (fd_ < 0 || !socketAddress(path_, address) || stretches.empty() || stretches.size() > MAX_STRETCHES) {
        errno = EINVAL;
        return Result::failed;
    }
    BurstMessage message;
    message.count = uint32_t(stretches.size());
    message.startNs = startNs;
    for (uint32_t i = 0; i < message.count; ++i)
        message.stretches[i] = {stretches[i].low ? 1u : 0u, stretches[i].microseconds};
    const size_t size = burstMessageSize(message.count);
    ssize_t sent;
    do {
        sent = sendto(fd_, &message, size, MSG_DONTWAIT | MSG_NOSIGNAL,
                      reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (sent < 0 && errno == EINTR);
    if (sent == ssize_t(size)) return Result::sent;
    if (errno == ENOENT || errno == ECONNREFUSED) return Result::noReceiver;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return Result::busy;
    return Result::failed;
}

}  // namespace port::virtual_receiver
