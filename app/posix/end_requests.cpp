// POSIX: the signals that ask a program to end write one byte into a pipe
// (the only thing a signal handler may safely do here); its reading end is
// what the window system watches.
#include "app/end_requests.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace rumblet {

namespace {

int requestPipe[2] = {-1, -1};

extern "C" void onEndRequest(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request; one is enough.
    [[maybe_unused]] const ssize_t n = ::write(requestPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

int watchEndRequests() {
    if (requestPipe[0] >= 0) return requestPipe[0];
    if (::pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    struct sigaction action {};
    action.sa_handler = onEndRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    return requestPipe[0];
}

}  // namespace rumblet
