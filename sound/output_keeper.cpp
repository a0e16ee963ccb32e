#include "sound/output_keeper.h"

#include "sound/sound_device.h"

namespace rumblet {

std::string OutputKeeper::check() {
    if (output_) {
        if (!output_->removed()) return {};
        output_.reset();
        checksWithout_ = 0;
        return SOUND_OUTPUT_LOST_TEXT;
    }
    if (++checksWithout_ % OUTPUT_REOPEN_EVERY_CHECKS != 0) return {};
    try {
        output_ = open_();
    } catch (const SoundError&) {
        // Still none; the next attempt comes with a later check.
    }
    return {};
}

}  // namespace rumblet
