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
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
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
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        render_(block.data(), OUTPUT_BLOCK_FRAMES);
        if (writing_) {
            file_.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * sizeof(float)));
            file_.flush();  // readers see the output as it is played
            if (!file_) failed_ = true;
        }
        lock.lock();
        if (failed_) break;
        const Clock::time_point next = blockEnd(from, ++blocks);
        if (Clock::now() - next > std::chrono::milliseconds(PACE_RESTART_AFTER_MS)) {
            from = Clock::now();
            blocks = 0;
            continue;
        }
        wake_.wait_until(lock, next, [this] { return stopping_; });
    }
}

}  // namespace rumblet
