#include "sound/paced_output.h"

#include <chrono>
#include <filesystem>
#include <vector>

#include "sound/mixer.h"
#include "sound/mixer_device.h"
#include "sound/sound_output.h"

namespace rumblet {

PacedOutput::PacedOutput(int32_t rate, const RenderStart& start, const std::string& path,
                         std::function<void()> onAudioThread)
    : rate_(rate == 0 ? DEFAULT_OUTPUT_RATE : rate), writing_(!path.empty()) {
    if (writing_) {
        file_.open(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
        if (!file_) throw SoundError(SOUND_ERROR_NO_OUTPUT, "audio output: cannot write " + path);
    }
    render_ = start(rate_);
    thread_ = std::thread([this, onAudioThread = std::move(onAudioThread)] { run(onAudioThread); });
}

PacedOutput::~PacedOutput() {
    stopping_ = true;
    thread_.join();
}

void PacedOutput::run(const std::function<void()>& onAudioThread) {
    if (onAudioThread) onAudioThread();
    using Clock = std::chrono::steady_clock;
    std::vector<float> block(size_t(OUTPUT_BLOCK_FRAMES) * MIXER_OUTPUT_CHANNELS);
    // Deadlines count whole blocks from the start, so the pace never drifts
    // however the waits round.
    auto blockEnd = [this](Clock::time_point from, int64_t blocks) {
        return from + std::chrono::nanoseconds(blocks * OUTPUT_BLOCK_FRAMES * int64_t{1'000'000'000} / rate_);
    };
    Clock::time_point from = Clock::now();
    int64_t blocks = 0;
    while (!stopping_) {
        render_(block.data(), OUTPUT_BLOCK_FRAMES);
        if (writing_) {
            file_.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * sizeof(float)));
            file_.flush();  // readers see the output as it is played
            if (!file_) {
                failed_ = true;
                return;
            }
        }
        const Clock::time_point next = blockEnd(from, ++blocks);
        if (Clock::now() - next > std::chrono::milliseconds(PACE_RESTART_AFTER_MS)) {
            from = Clock::now();
            blocks = 0;
            continue;
        }
        // A plain sleep, in whole milliseconds rounded up: the system sleeps
        // in whole milliseconds, and a shorter request would wake before the
        // block is due and run ahead of real time. A timed wait on a
        // condition would take the system's wait objects instead (under
        // Wine a round trip through its server each block) and wake later.
        std::this_thread::sleep_for(std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()));
    }
}

}  // namespace rumblet
