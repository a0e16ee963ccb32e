// Sound card group on Linux: the wave steps over one ALSA PCM device.
//
// The device is the ALSA PCM named at construction or, with an empty name,
// the one in PORT_ALSA_DEVICE at each open ("default" when unset). The
// system's buffer-done callback has no ALSA counterpart: "start" moves the
// whole buffer with blocking reads or writes (and drains playback), then
// clears the busy flag as the callback would.
#pragma once

#include <alsa/asoundlib.h>

#include <string>

#include "wave_system.h"

namespace port {

class AlsaWaveSystem : public WaveSystem {
public:
    explicit AlsaWaveSystem(std::string device = {});
    ~AlsaWaveSystem() override;

    uint32_t deviceCount(WaveDirection direction) override;
    WaveResult capabilities(WaveDirection direction, WaveCapabilities& caps) override;
    WaveResult queryFormat(WaveDirection direction, const WaveFormat& format) override;
    WaveResult open(WaveDirection direction, const WaveFormat& format, std::atomic<bool>& busy,
                    WaveHandle& handle) override;
    void lock(void* buffer, uint32_t bytes) override;
    void unlock(void* buffer, uint32_t bytes) override;
    WaveResult prepare(WaveDirection direction, WaveHandle handle, const WaveHeader& header) override;
    WaveResult addBuffer(WaveHandle handle) override;
    WaveResult start(WaveDirection direction, WaveHandle handle) override;
    WaveResult stopCapture(WaveHandle handle) override;
    WaveResult unprepare(WaveDirection direction, WaveHandle handle) override;
    WaveResult resetCapture(WaveHandle handle) override;
    WaveResult close(WaveDirection direction, WaveHandle handle) override;
    std::string errorText(WaveDirection direction, WaveResult result) override;

private:
    std::string deviceName() const;
    int openDevice(WaveDirection direction, int mode, snd_pcm_t*& pcm) const;
    int moveFrames(WaveDirection direction, unsigned char* data, snd_pcm_uframes_t frames);
    int moveBuffer(WaveDirection direction);

    std::string device_;
    snd_pcm_t* pcm_ = nullptr;
    std::atomic<bool>* busy_ = nullptr;
    WaveHeader header_{};
    unsigned frameBytes_ = 1;
    unsigned char silence_ = 0x80;
};

// Writes each box to standard error as "caption: text", one line per line.
class StderrMessageBoxes : public MessageBoxes {
public:
    void showError(const std::string& caption, const std::string& text) override;
    void showInformation(const std::string& caption, const std::string& text) override;
};

}  // namespace port
