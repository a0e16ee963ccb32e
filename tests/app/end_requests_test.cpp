// The system's requests to end the program arrive as a readable descriptor
// for the window system, whichever of the three signals it was.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>

#include "app/end_requests.h"

namespace rumblet {
namespace {

TEST(EndRequests, EachEndSignalMakesTheDescriptorReadable) {
    const int requests = watchEndRequests();
    ASSERT_GE(requests, 0);
    EXPECT_EQ(watchEndRequests(), requests) << "one descriptor for the whole program";
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(std::raise(signal), 0);
        pollfd watch{requests, POLLIN, 0};
        ASSERT_EQ(::poll(&watch, 1, 1000), 1) << "signal " << signal;
        char byte;
        while (::read(requests, &byte, 1) == 1) {
        }
    }
}

}  // namespace
}  // namespace rumblet
