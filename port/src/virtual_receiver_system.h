// What the virtual IR receiver needs of the operating system: one datagram
// socket to listen on and a way to sleep until it has something. The line,
// the edges and the port around it (virtual_receiver.cpp) are the same on
// every system; posix/ and win32/ only open and read the socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "virtual_receiver_address.h"

namespace port::virtual_receiver {

class ReceiverSocket {
public:
    virtual ~ReceiverSocket() = default;  // closes it (a socket file goes with it)

    // Takes the next waiting datagram into `buffer`; its size (a longer one is
    // cut to `size`), or -1 when none waits.
    virtual int64_t receive(void* buffer, std::size_t size) = 0;
    // True while a datagram waits to be taken. Safe from any thread.
    virtual bool pending() = 0;

    enum class Wake { ready, woken, timedOut, failed };
    // Sleeps until a datagram waits (ready), wake() was called (woken),
    // `timeoutNs` passed, or the socket failed.
    virtual Wake wait(int64_t timeoutNs) = 0;
    // Ends the wait() of another thread, and every later one.
    virtual void wake() = 0;

    // True when its senders run on this machine's clock (a Unix socket):
    // only then may a burst carry the moment it begins.
    virtual bool sendersShareClock() const = 0;
};

// Opens the socket `address` names for this process alone; nullptr with
// `why` set when it cannot (the socket of another program, a file in the way,
// a missing folder, an address this system has no socket for).
std::unique_ptr<ReceiverSocket> openReceiverSocket(const ReceiverAddress& address, std::string& why);

// Asks for the priority of a thread that records line edges, for the
// calling thread; a refusal is silent.
void raiseRecorderThread();

}  // namespace port::virtual_receiver
