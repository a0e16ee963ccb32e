// Sound card group on Windows: the waveform-audio functions on the wave
// mapper, and the system's message boxes.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "wave_system.h"
#include "no_destructor.h"

namespace port {

namespace {

// The busy flag of the transfer in progress; the callbacks clear it.
std::atomic<bool>* transferBusy = nullptr;

void CALLBACK inputCallback(HWAVEIN, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message == WIM_DATA) transferBusy->store(false);
}

void CALLBACK outputCallback(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message == WOM_DONE) transferBusy->store(false);
}

// The format record says 18 extra bytes follow it; they do, zeroed, so a
// driver that reads them stays inside the record.
struct FormatRecord {
    WAVEFORMATEX format;
    BYTE extra[18];
};

FormatRecord recordOf(const WaveFormat& f) {
    FormatRecord r{};
    r.format.wFormatTag = f.formatTag;
    r.format.nChannels = f.channels;
    r.format.nSamplesPerSec = f.samplesPerSecond;
    r.format.nAvgBytesPerSec = f.averageBytesPerSecond;
    r.format.nBlockAlign = f.blockAlign;
    r.format.wBitsPerSample = f.bitsPerSample;
    r.format.cbSize = f.extraSize;
    return r;
}

HWAVEIN in(WaveHandle h) { return reinterpret_cast<HWAVEIN>(h); }
HWAVEOUT out(WaveHandle h) { return reinterpret_cast<HWAVEOUT>(h); }

bool capturing(WaveDirection d) { return d == WaveDirection::capture; }

template <class Caps>
void copyCapabilities(const Caps& c, WaveCapabilities& caps) {
    caps.productName.assign(c.szPname, strnlen(c.szPname, sizeof c.szPname));
    caps.channels = c.wChannels;
    caps.formats = c.dwFormats;
}

class WinmmWaveSystem : public WaveSystem {
public:
    uint32_t deviceCount(WaveDirection d) override {
        return capturing(d) ? waveInGetNumDevs() : waveOutGetNumDevs();
    }

    WaveResult capabilities(WaveDirection d, WaveCapabilities& caps) override {
        if (capturing(d)) {
            WAVEINCAPSA c{};
            const MMRESULT r = waveInGetDevCapsA(WAVE_MAPPER, &c, sizeof c);
            copyCapabilities(c, caps);
            return r;
        }
        WAVEOUTCAPSA c{};
        const MMRESULT r = waveOutGetDevCapsA(WAVE_MAPPER, &c, sizeof c);
        copyCapabilities(c, caps);
        return r;
    }

    WaveResult queryFormat(WaveDirection d, const WaveFormat& f) override {
        format_ = recordOf(f);
        return capturing(d) ? waveInOpen(nullptr, WAVE_MAPPER, &format_.format, 0, 0, WAVE_FORMAT_QUERY)
                            : waveOutOpen(nullptr, WAVE_MAPPER, &format_.format, 0, 0, WAVE_FORMAT_QUERY);
    }

    WaveResult open(WaveDirection d, const WaveFormat& f, std::atomic<bool>& busy,
                    WaveHandle& handle) override {
        format_ = recordOf(f);
        transferBusy = &busy;
        MMRESULT r;
        if (capturing(d)) {
            HWAVEIN h = nullptr;
            r = waveInOpen(&h, WAVE_MAPPER, &format_.format, reinterpret_cast<DWORD_PTR>(inputCallback),
                           0, CALLBACK_FUNCTION);
            handle = reinterpret_cast<WaveHandle>(h);
        } else {
            HWAVEOUT h = nullptr;
            r = waveOutOpen(&h, WAVE_MAPPER, &format_.format, reinterpret_cast<DWORD_PTR>(outputCallback),
                            0, CALLBACK_FUNCTION);
            handle = reinterpret_cast<WaveHandle>(h);
        }
        return r;
    }

    void lock(void* buffer, uint32_t bytes) override { VirtualLock(buffer, bytes); }
    void unlock(void* buffer, uint32_t bytes) override { VirtualUnlock(buffer, bytes); }

    WaveResult prepare(WaveDirection d, WaveHandle h, const WaveHeader& header) override {
        header_ = WAVEHDR{};
        header_.lpData = static_cast<LPSTR>(header.data);
        header_.dwBufferLength = header.length;
        header_.dwFlags = header.flags;
        return capturing(d) ? waveInPrepareHeader(in(h), &header_, sizeof header_)
                            : waveOutPrepareHeader(out(h), &header_, sizeof header_);
    }

    WaveResult addBuffer(WaveHandle h) override { return waveInAddBuffer(in(h), &header_, sizeof header_); }

    WaveResult start(WaveDirection d, WaveHandle h) override {
        return capturing(d) ? waveInStart(in(h)) : waveOutWrite(out(h), &header_, sizeof header_);
    }

    WaveResult stopCapture(WaveHandle h) override { return waveInStop(in(h)); }

    WaveResult unprepare(WaveDirection d, WaveHandle h) override {
        return capturing(d) ? waveInUnprepareHeader(in(h), &header_, sizeof header_)
                            : waveOutUnprepareHeader(out(h), &header_, sizeof header_);
    }

    WaveResult resetCapture(WaveHandle h) override { return waveInReset(in(h)); }

    WaveResult close(WaveDirection d, WaveHandle h) override {
        return capturing(d) ? waveInClose(in(h)) : waveOutClose(out(h));
    }

    std::string errorText(WaveDirection d, WaveResult result) override {
        char text[256] = {};
        if (capturing(d))
            waveInGetErrorTextA(result, text, 255);
        else
            waveOutGetErrorTextA(result, text, 255);
        return text;
    }

private:
    FormatRecord format_{};
    WAVEHDR header_{};
};

class WindowsMessageBoxes : public MessageBoxes {
public:
    void showError(const std::string& caption, const std::string& text) override {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    }
    void showInformation(const std::string& caption, const std::string& text) override {
        MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
    }
};

}  // namespace

WaveSystem& platformWaveSystem() {
    static NoDestructor<WinmmWaveSystem> system;
    return *system;
}

MessageBoxes& platformMessageBoxes() {
    static NoDestructor<WindowsMessageBoxes> boxes;
    return *boxes;
}

}  // namespace port
