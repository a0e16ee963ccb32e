// Sound card group: blocking capture and playback of one caller buffer at a
// time, the rate and width of the next transfer, the busy flag and the
// capability boxes. Platform-free; the system is reached through
// WaveSystem and MessageBoxes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "wave_system.h"

namespace port {

enum class WaveChannels : uint16_t { mono = 1, stereo = 2 };

// The captions of the library's two boxes.
inline constexpr const char* waveErrorCaption = "Rivir32";
inline constexpr const char* capabilityCaption = "DadO.DLL";
inline constexpr const char* noDeviceText = "No Device.";

// The 26-character text of bit i of the standard format mask.
const char* capabilityText(int bit);

// The capability box's text: name, channel line, one line per format bit.
std::string capabilityBoxText(const WaveCapabilities& caps);

// Bytes a transfer moves: one sample fewer than the count, except stereo
// capture, which moves exactly count samples.
uint32_t transferLength(WaveDirection direction, WaveChannels channels, uint32_t count,
                        int32_t width);

class SoundCard {
public:
    SoundCard(WaveSystem& system, MessageBoxes& boxes);

    // SOUNDIN, SSOUNDIN, SOUNDOUT, SSOUNDOUT: returns when the buffer is done.
    void transfer(WaveDirection direction, WaveChannels channels, void* buffer, int32_t count);

    int32_t busy() const;  // -1 while a transfer runs, else 0
    int32_t rate() const;
    int32_t setRate(int32_t rate);  // returns the previous rate
    int32_t width() const;
    int32_t setWidth(int32_t bytes);  // returns the new width, 1 or 2
    int32_t inputPresent();  // -1 when there is a wave input device, else 0
    void showCapabilities(WaveDirection direction);

    void closeInput();
    void closeOutput();

    // What the last transfer or close asked of the system (for tests).
    const WaveFormat& format() const { return format_; }
    const WaveHeader& header() const { return header_; }
    WaveResult lastError() const { return lastError_; }

private:
    WaveFormat formatFor(WaveChannels channels) const;
    bool succeeded(WaveDirection direction, WaveResult result);
    void abandon(WaveDirection direction, void* buffer, uint32_t count);
    enum class InputState { bufferDone, bufferMayBeQueued };
    void closeInput(InputState state);
    void close(WaveDirection direction);

    WaveSystem& system_;
    MessageBoxes& boxes_;
    std::atomic<bool> busy_{false};
    WaveHandle handle_ = 0;
    int32_t rate_ = 11025;
    int32_t width_ = 1;
    WaveFormat format_{};
    WaveHeader header_{};
    WaveResult lastError_ = 0;
};

// The library's one sound card (wave.cpp).
SoundCard& soundCard();

}  // namespace port
