// The mixer played through the system's shared-mode audio (WASAPI) on the
// default output device, event-driven: the audio engine wakes our audio
// thread once per period, and the thread tops the device's queue up to two
// periods with freshly mixed frames. A sound decision is heard after the
// frames queued before it, so the queue is kept that short.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "sound/output_keeper.h"

namespace rumblet {

// Without a wake-up from the engine for this long the device is taken as
// lost (a driver that hangs after the device went away).
inline constexpr unsigned long AUDIO_ENGINE_SILENT_MS = 2000;

class WasapiOutput : public AudioOutput {
public:
    // Opens the default output device in shared mode for 32-bit float
    // stereo at `rate` Hz (0: the device's own mixing rate; another rate is
    // converted by the system) and starts playing. Throws SoundError
    // (SOUND_ERROR_NO_OUTPUT, with the system's text) when there is no
    // output device or it refuses the stream.
    WasapiOutput(int32_t rate, const RenderStart& start);
    ~WasapiOutput() override;
    WasapiOutput(const WasapiOutput&) = delete;
    WasapiOutput& operator=(const WasapiOutput&) = delete;

    // True once the device was unplugged, disabled or stopped answering.
    bool removed() override { return lost_; }
    int32_t rate() const { return rate_; }
    // Read from inside the render function: the frames queued in front of
    // the frames being rendered. With the stream's own latency on top they
    // tell when the first of them is heard.
    uint32_t queuedFrames() const { return queued_; }
    uint32_t streamLatencyFrames() const { return streamLatency_; }
    // How often the engine wakes the audio thread.
    uint32_t periodFrames() const { return period_; }

private:
    struct Stream;
    void play(const RenderStart& start, void* ready);

    int32_t rate_ = 0;
    uint32_t streamLatency_ = 0;
    uint32_t period_ = 0;
    std::atomic<bool> lost_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<uint32_t> queued_{0};
    void* wake_ = nullptr;  // the event that the engine and the destructor set
    std::thread thread_;
};

}  // namespace rumblet
