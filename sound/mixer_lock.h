// The lock that the window thread and the audio thread take around the
// mixer's voices. Each platform gives it from its own threads library
// (sound/posix, sound/win32): the Windows runtime that the program is built
// with has no standard mutex. It is made and destroyed on the window thread;
// lock and unlock allocate nothing, so the audio thread may take it.
#pragma once

#include <memory>

namespace rumblet {

class MixerLock {
public:
    MixerLock();
    ~MixerLock();
    MixerLock(const MixerLock&) = delete;
    MixerLock& operator=(const MixerLock&) = delete;

    void lock();
    void unlock();

private:
    struct System;
    std::unique_ptr<System> system_;
};

}  // namespace rumblet
