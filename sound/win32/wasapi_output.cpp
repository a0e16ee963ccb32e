#include "sound/win32/wasapi_output.h"

// clang-format off
#include <windows.h>
#include <audioclient.h>
#include <avrt.h>
#include <mmdeviceapi.h>
#include <mmreg.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <future>
#include <string>

#include "sound/mixer.h"
#include "sound/sound_device.h"
#include "sound/sound_output.h"
#include "sound/win32/utf8_win32.h"

namespace rumblet {

namespace {

constexpr REFERENCE_TIME HNS_PER_SECOND = 10'000'000;
// The sample kind of a float stream (KSDATAFORMAT_SUBTYPE_IEEE_FLOAT).
constexpr GUID FLOAT_SAMPLES = {0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// An interface pointer released when it goes.
template <typename T>
class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() { reset(); }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    void** out() { return reinterpret_cast<void**>(put()); }

private:
    T* p_ = nullptr;
};

std::string systemText(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string described = length ? utf8FromWide(std::wstring(text, length)) : std::string();
    LocalFree(text);
    while (!described.empty() && (described.back() == '\n' || described.back() == '\r' || described.back() == ' '))
        described.pop_back();
    return described.empty() ? std::string("error ") + code : described + " (" + code + ")";
}

void check(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw SoundError(SOUND_ERROR_NO_OUTPUT, std::string("audio output: ") + what + ": " + systemText(hr));
}

uint32_t framesOf(REFERENCE_TIME duration, int32_t rate) {
    return static_cast<uint32_t>(duration * rate / HNS_PER_SECOND);
}

// 32-bit float stereo, the mixer's own output.
WAVEFORMATEXTENSIBLE mixerFormat(int32_t rate) {
    WAVEFORMATEXTENSIBLE f{};
    f.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    f.Format.nChannels = MIXER_OUTPUT_CHANNELS;
    f.Format.nSamplesPerSec = static_cast<DWORD>(rate);
    f.Format.wBitsPerSample = 32;
    f.Format.nBlockAlign = static_cast<WORD>(MIXER_OUTPUT_CHANNELS * sizeof(float));
    f.Format.nAvgBytesPerSec = f.Format.nSamplesPerSec * f.Format.nBlockAlign;
    f.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
    f.Samples.wValidBitsPerSample = 32;
    f.dwChannelMask = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
    f.SubFormat = FLOAT_SAMPLES;
    return f;
}

}  // namespace

// Everything the audio thread holds of the device; made, used and
// released on that thread, inside its COM apartment.
struct WasapiOutput::Stream {
    Com<IMMDeviceEnumerator> devices;
    Com<IMMDevice> device;
    Com<IAudioClient> client;
    Com<IAudioRenderClient> renderClient;
    uint32_t bufferFrames = 0;
    uint32_t fillTo = 0;

    void activate() {
        check(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, client.out()), "output device");
    }

    // The device's own period where the system lets a stream choose it
    // (IAudioClient3), the shortest one not below our block; else the
    // engine's default period with the rate converted as needed.
    uint32_t open(int32_t& rate) {
        check(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                               devices.out()),
              "audio system");
        check(devices->GetDefaultAudioEndpoint(eRender, eConsole, device.put()), "no output device");
        activate();
        WAVEFORMATEX* mixing = nullptr;
        check(client->GetMixFormat(&mixing), "mixing format");
        if (rate == 0) rate = static_cast<int32_t>(mixing->nSamplesPerSec);
        CoTaskMemFree(mixing);
        WAVEFORMATEXTENSIBLE format = mixerFormat(rate);
        const DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_NOPERSIST;

        Com<IAudioClient3> client3;
        UINT32 usual = 0, step = 0, shortest = 0, longest = 0;
        if (SUCCEEDED(client->QueryInterface(__uuidof(IAudioClient3), client3.out())) &&
            SUCCEEDED(client3->GetSharedModeEnginePeriod(&format.Format, &usual, &step, &shortest, &longest)) &&
            step > 0) {
            const UINT32 period =
                std::clamp<UINT32>((OUTPUT_BLOCK_FRAMES + step - 1) / step * step, shortest, longest);
            if (SUCCEEDED(client3->InitializeSharedAudioStream(flags, period, &format.Format, nullptr))) return period;
            client3.reset();
            activate();  // a client whose initialisation failed is not used again
        }
        client3.reset();

        REFERENCE_TIME usualPeriod = 0, shortestPeriod = 0;
        check(client->GetDevicePeriod(&usualPeriod, &shortestPeriod), "device period");
        const REFERENCE_TIME buffer = 2 * usualPeriod;
        if (FAILED(client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, buffer, 0, &format.Format, nullptr))) {
            // The engine mixes another rate or layout: the system converts.
            activate();
            check(client->Initialize(AUDCLNT_SHAREMODE_SHARED,
                                     flags | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY,
                                     buffer, 0, &format.Format, nullptr),
                  "output stream");
        }
        return framesOf(usualPeriod, rate);
    }

    // Tops the device's queue up to `fillTo` frames; false when the device
    // is gone.
    bool fill(const RenderFunction& render, std::atomic<uint32_t>& queued) {
        UINT32 padding = 0;
        if (FAILED(client->GetCurrentPadding(&padding))) return false;
        if (padding >= fillTo) return true;
        const UINT32 frames = fillTo - padding;
        BYTE* data = nullptr;
        if (FAILED(renderClient->GetBuffer(frames, &data))) return false;
        queued = padding;
        render(reinterpret_cast<float*>(data), frames);
        return SUCCEEDED(renderClient->ReleaseBuffer(frames, 0));
    }
};

WasapiOutput::WasapiOutput(int32_t rate, const RenderStart& start) : rate_(rate) {
    wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!wake_) check(HRESULT_FROM_WIN32(GetLastError()), "event");
    std::promise<void> ready;
    std::future<void> opened = ready.get_future();
    thread_ = std::thread([this, &start, &ready] { play(start, &ready); });
    try {
        opened.get();
    } catch (...) {
        thread_.join();
        CloseHandle(wake_);
        throw;
    }
}

WasapiOutput::~WasapiOutput() {
    stopping_ = true;
    SetEvent(wake_);
    thread_.join();
    CloseHandle(wake_);
}

void WasapiOutput::play(const RenderStart& start, void* readySignal) {
    auto& ready = *static_cast<std::promise<void>*>(readySignal);
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    DWORD taskIndex = 0;
    HANDLE task = AvSetMmThreadCharacteristicsW(L"Pro Audio", &taskIndex);
    RenderFunction render;
    {
        Stream stream;
        try {
            check(apartment, "COM");
            period_ = stream.open(rate_);
            UINT32 bufferFrames = 0;
            check(stream.client->GetBufferSize(&bufferFrames), "buffer size");
            stream.bufferFrames = bufferFrames;
            stream.fillTo = std::min(bufferFrames, 2 * std::max<uint32_t>(period_, OUTPUT_BLOCK_FRAMES));
            REFERENCE_TIME latency = 0;
            if (SUCCEEDED(stream.client->GetStreamLatency(&latency))) streamLatency_ = framesOf(latency, rate_);
            check(stream.client->GetService(__uuidof(IAudioRenderClient), stream.renderClient.out()), "render client");
            check(stream.client->SetEventHandle(wake_), "event");
            render = start(rate_);
            if (!stream.fill(render, queued_)) check(AUDCLNT_E_DEVICE_INVALIDATED, "first block");
            check(stream.client->Start(), "start");
            ready.set_value();
        } catch (...) {
            ready.set_exception(std::current_exception());
            render = nullptr;
        }
        if (render) {
            while (!stopping_) {
                const DWORD woken = WaitForSingleObject(wake_, AUDIO_ENGINE_SILENT_MS);
                if (stopping_) break;
                if (woken != WAIT_OBJECT_0 || !stream.fill(render, queued_)) {
                    lost_ = true;
                    break;
                }
            }
            stream.client->Stop();
        }
    }
    if (task) AvRevertMmThreadCharacteristics(task);
    if (SUCCEEDED(apartment)) CoUninitialize();
}

}  // namespace rumblet
