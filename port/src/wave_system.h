// Sound card group: what the transfers need of the operating system.
//
// The steps mirror the system's waveform-audio calls (format query, open,
// prepare, add buffer, start or write, and the steps of the close
// sequences); each returns the system's result code, 0 for success. The
// device reports a finished buffer by clearing the busy flag it was handed
// at open, from whatever thread the system uses for that.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace port {

enum class WaveDirection { capture, playback };

// The system's extended PCM format record, field by field.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

// What the library puts into the system's wave buffer header.
struct WaveHeader {
    void* data = nullptr;
    uint32_t length = 0;
    uint32_t flags = 0;
};

// The part of a device's capability record the capability boxes show.
struct WaveCapabilities {
    std::string productName;
    uint16_t channels = 0;
    uint32_t formats = 0;  // the standard format mask, bit 0 = 11.025 kHz mono 8-bit
};

using WaveResult = uint32_t;  // 0 = success, else the system's error code
using WaveHandle = uintptr_t;  // 0 = no device open

class WaveSystem {
public:
    virtual ~WaveSystem() = default;

    virtual uint32_t deviceCount(WaveDirection direction) = 0;
    // The default device's capability record; nonzero when it cannot be read.
    virtual WaveResult capabilities(WaveDirection direction, WaveCapabilities& caps) = 0;

    virtual WaveResult queryFormat(WaveDirection direction, const WaveFormat& format) = 0;
    // Opens the default device; the device clears `busy` when the buffer is done.
    virtual WaveResult open(WaveDirection direction, const WaveFormat& format,
                            std::atomic<bool>& busy, WaveHandle& handle) = 0;
    virtual void lock(void* buffer, uint32_t bytes) = 0;
    virtual void unlock(void* buffer, uint32_t bytes) = 0;
    virtual WaveResult prepare(WaveDirection direction, WaveHandle handle, const WaveHeader& header) = 0;
    virtual WaveResult addBuffer(WaveHandle handle) = 0;  // capture only
    // Capture: start the device. Playback: write the prepared buffer.
    virtual WaveResult start(WaveDirection direction, WaveHandle handle) = 0;

    virtual WaveResult stopCapture(WaveHandle handle) = 0;
    virtual WaveResult unprepare(WaveDirection direction, WaveHandle handle) = 0;
    virtual WaveResult resetCapture(WaveHandle handle) = 0;
    virtual WaveResult close(WaveDirection direction, WaveHandle handle) = 0;

    virtual std::string errorText(WaveDirection direction, WaveResult result) = 0;
};

// The library's modal boxes.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Stop icon, OK button, no owner window.
    virtual void showError(const std::string& caption, const std::string& text) = 0;
    // Information icon, OK button, owned by the caller's active window.
    virtual void showInformation(const std::string& caption, const std::string& text) = 0;
};

// The one instance of each for this operating system (posix/, win32/).
WaveSystem& platformWaveSystem();
MessageBoxes& platformMessageBoxes();

}  // namespace port
