#include <windows.h>

#include "sound/mixer_lock.h"

namespace rumblet {

// A slim reader/writer lock taken exclusively: no kernel object, and nothing
// to free.
struct MixerLock::System {
    SRWLOCK lock = SRWLOCK_INIT;
};

MixerLock::MixerLock() : system_(std::make_unique<System>()) {}
MixerLock::~MixerLock() = default;
void MixerLock::lock() { AcquireSRWLockExclusive(&system_->lock); }
void MixerLock::unlock() { ReleaseSRWLockExclusive(&system_->lock); }

}  // namespace rumblet
