#include "posix/virtual_receiver_client.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstring>

namespace port::virtual_receiver {

bool socketAddress(const std::string& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

FrameSender::FrameSender(std::string address) : text_(std::move(address)) {
    std::string problem;
    const auto parsed = parseReceiverAddress(text_, problem);
    if (!parsed) return;
    address_ = *parsed;
    usable_ = true;
    fd_ = socket(overUdp() ? AF_INET : AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

FrameSender::~FrameSender() {
    if (fd_ >= 0) close(fd_);
}

FrameSender::Result FrameSender::send(const std::vector<Stretch>& stretches, int64_t startNs) {
    sockaddr_un local{};
    sockaddr_in udp{};
    const sockaddr* to = reinterpret_cast<const sockaddr*>(&udp);
    socklen_t toSize = sizeof udp;
    if (overUdp()) {
        udp.sin_family = AF_INET;
        udp.sin_port = htons(address_.port);
        udp.sin_addr.s_addr = htonl(address_.ipv4);
        startNs = 0;
    } else {
        to = reinterpret_cast<const sockaddr*>(&local);
        toSize = sizeof local;
    }
    if (fd_ < 0 || !usable_ || (!overUdp() && !socketAddress(address_.socketPath, local)) || stretches.empty() ||
        stretches.size() > MAX_STRETCHES) {
        errno = EINVAL;
        return Result::failed;
    }
    const BurstMessage message = burstMessage(stretches, startNs);
    const size_t size = burstMessageSize(message.count);
    ssize_t sent;
    do {
        sent = sendto(fd_, &message, size, MSG_DONTWAIT | MSG_NOSIGNAL, to, toSize);
    } while (sent < 0 && errno == EINTR);
    if (sent == ssize_t(size)) return Result::sent;
    if (errno == ENOENT || errno == ECONNREFUSED) return Result::noReceiver;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return Result::busy;
    return Result::failed;
}

}  // namespace port::virtual_receiver
