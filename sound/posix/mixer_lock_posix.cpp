#include <mutex>

#include "sound/mixer_lock.h"

namespace rumblet {

struct MixerLock::System {
    std::mutex mutex;
};

MixerLock::MixerLock() : system_(std::make_unique<System>()) {}
MixerLock::~MixerLock() = default;
void MixerLock::lock() { system_->mutex.lock(); }
void MixerLock::unlock() { system_->mutex.unlock(); }

}  // namespace rumblet
