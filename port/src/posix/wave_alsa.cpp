#include "posix/wave_alsa.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "no_destructor.h"

namespace port {

namespace {

// ALSA reports failures as negative error numbers; the wave steps carry
// them as positive result codes.
WaveResult resultOf(int err) { return err < 0 ? static_cast<WaveResult>(-err) : 0; }

snd_pcm_stream_t streamOf(WaveDirection direction) {
    return direction == WaveDirection::capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
}

snd_pcm_format_t sampleFormat(uint16_t bitsPerSample) {
    switch (bitsPerSample) {
        case 8: return SND_PCM_FORMAT_U8;
        case 16: return SND_PCM_FORMAT_S16_LE;
        default: return SND_PCM_FORMAT_UNKNOWN;
    }
}

// Restricts `params` to the format; the first refusal wins.
int restrictTo(snd_pcm_t* pcm, snd_pcm_hw_params_t* params, const WaveFormat& format) {
    const snd_pcm_format_t sample = sampleFormat(format.bitsPerSample);
    if (format.formatTag != 1 || sample == SND_PCM_FORMAT_UNKNOWN) return -EINVAL;
    int err = snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err == 0) err = snd_pcm_hw_params_set_format(pcm, params, sample);
    if (err == 0) err = snd_pcm_hw_params_set_channels(pcm, params, format.channels);
    if (err == 0) err = snd_pcm_hw_params_set_rate(pcm, params, format.samplesPerSecond, 0);
    return err;
}

struct CapabilityFormat {
    unsigned rate;
    unsigned channels;
    uint16_t bits;
};

// Bit i of the standard format mask.
constexpr CapabilityFormat capabilityFormats[12] = {
    {11025, 1, 8},  {11025, 2, 8},  {11025, 1, 16}, {11025, 2, 16},
    {22050, 1, 8},  {22050, 2, 8},  {22050, 1, 16}, {22050, 2, 16},
    {44100, 1, 8},  {44100, 2, 8},  {44100, 1, 16}, {44100, 2, 16},
};

bool accepts(snd_pcm_t* pcm, const snd_pcm_hw_params_t* any, const CapabilityFormat& f) {
    snd_pcm_hw_params_t* params;
    snd_pcm_hw_params_alloca(&params);
    snd_pcm_hw_params_copy(params, any);
    if (snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) return false;
    if (snd_pcm_hw_params_set_format(pcm, params, sampleFormat(f.bits)) < 0) return false;
    if (snd_pcm_hw_params_set_channels(pcm, params, f.channels) < 0) return false;
    return snd_pcm_hw_params_test_rate(pcm, params, f.rate, 0) == 0;
}

}  // namespace

AlsaWaveSystem::AlsaWaveSystem(std::string device) : device_(std::move(device)) {}

AlsaWaveSystem::~AlsaWaveSystem() {
    if (pcm_) snd_pcm_close(pcm_);
}

std::string AlsaWaveSystem::deviceName() const {
    if (!device_.empty()) return device_;
    const char* configured = std::getenv("PORT_ALSA_DEVICE");
    return configured && *configured ? configured : "default";
}

int AlsaWaveSystem::openDevice(WaveDirection direction, int mode, snd_pcm_t*& pcm) const {
    return snd_pcm_open(&pcm, deviceName().c_str(), streamOf(direction), mode);
}

// The device counts as present when it opens in that direction.
uint32_t AlsaWaveSystem::deviceCount(WaveDirection direction) {
    snd_pcm_t* pcm = nullptr;
    if (openDevice(direction, SND_PCM_NONBLOCK, pcm) < 0) return 0;
    snd_pcm_close(pcm);
    return 1;
}

WaveResult AlsaWaveSystem::capabilities(WaveDirection direction, WaveCapabilities& caps) {
    snd_pcm_t* pcm = nullptr;
    int err = openDevice(direction, SND_PCM_NONBLOCK, pcm);
    if (err < 0) return resultOf(err);
    snd_pcm_hw_params_t* any;
    snd_pcm_hw_params_alloca(&any);
    err = snd_pcm_hw_params_any(pcm, any);
    if (err < 0) {
        snd_pcm_close(pcm);
        return resultOf(err);
    }
    snd_pcm_info_t* info;
    snd_pcm_info_alloca(&info);
    const char* name = snd_pcm_info(pcm, info) == 0 ? snd_pcm_info_get_name(info) : nullptr;
    caps.productName = name && *name ? name : snd_pcm_name(pcm);
    // Like the system's record: 2 for a device that takes stereo, else 1.
    caps.channels = snd_pcm_hw_params_test_channels(pcm, any, 2) == 0 ? 2 : 1;
    caps.formats = 0;
    for (unsigned bit = 0; bit < 12; ++bit)
        if (accepts(pcm, any, capabilityFormats[bit])) caps.formats |= 1u << bit;
    snd_pcm_close(pcm);
    return 0;
}

WaveResult AlsaWaveSystem::queryFormat(WaveDirection direction, const WaveFormat& format) {
    snd_pcm_t* pcm = nullptr;
    int err = openDevice(direction, SND_PCM_NONBLOCK, pcm);
    if (err < 0) return resultOf(err);
    snd_pcm_hw_params_t* params;
    snd_pcm_hw_params_alloca(&params);
    err = snd_pcm_hw_params_any(pcm, params);
    if (err == 0) err = restrictTo(pcm, params, format);
    snd_pcm_close(pcm);
    return resultOf(err);
}

WaveResult AlsaWaveSystem::open(WaveDirection direction, const WaveFormat& format,
                                std::atomic<bool>& busy, WaveHandle& handle) {
    snd_pcm_t* pcm = nullptr;
    int err = openDevice(direction, 0, pcm);
    if (err < 0) return resultOf(err);
    snd_pcm_hw_params_t* params;
    snd_pcm_hw_params_alloca(&params);
    err = snd_pcm_hw_params_any(pcm, params);
    if (err == 0) err = restrictTo(pcm, params, format);
    if (err == 0) err = snd_pcm_hw_params(pcm, params);
    if (err < 0) {
        snd_pcm_close(pcm);
        return resultOf(err);
    }
    pcm_ = pcm;
    busy_ = &busy;
    frameBytes_ = format.blockAlign;
    silence_ = format.bitsPerSample == 8 ? 0x80 : 0x00;
    handle = reinterpret_cast<WaveHandle>(pcm);
    return 0;
}

// ALSA copies the samples; the caller's buffer need not stay in memory.
void AlsaWaveSystem::lock(void*, uint32_t) {}
void AlsaWaveSystem::unlock(void*, uint32_t) {}

WaveResult AlsaWaveSystem::prepare(WaveDirection, WaveHandle, const WaveHeader& header) {
    header_ = header;
    return resultOf(snd_pcm_prepare(pcm_));
}

WaveResult AlsaWaveSystem::addBuffer(WaveHandle) { return 0; }

WaveResult AlsaWaveSystem::start(WaveDirection direction, WaveHandle) {
    const int err = moveBuffer(direction);
    if (err < 0) return resultOf(err);
    busy_->store(false);
    return 0;
}

int AlsaWaveSystem::moveFrames(WaveDirection direction, unsigned char* data,
                               snd_pcm_uframes_t frames) {
    while (frames > 0) {
        const snd_pcm_sframes_t moved = direction == WaveDirection::capture
                                            ? snd_pcm_readi(pcm_, data, frames)
                                            : snd_pcm_writei(pcm_, data, frames);
        if (moved < 0) {
            // An overrun or underrun costs a gap, not the transfer.
            const int err = snd_pcm_recover(pcm_, static_cast<int>(moved), 1);
            if (err < 0) return err;
            continue;
        }
        data += static_cast<std::size_t>(moved) * frameBytes_;
        frames -= static_cast<snd_pcm_uframes_t>(moved);
    }
    return 0;
}

// A stereo transfer length can end in the middle of a frame (the left
// sample only). The device takes whole frames: that last frame is played
// with silence in place of the missing sample, and captured into a scratch
// frame of which only the bytes inside the transfer length are kept.
int AlsaWaveSystem::moveBuffer(WaveDirection direction) {
    const bool playing = direction == WaveDirection::playback;
    auto* data = static_cast<unsigned char*>(header_.data);
    const snd_pcm_uframes_t frames = header_.length / frameBytes_;
    const unsigned tail = header_.length % frameBytes_;
    int err = moveFrames(direction, data, frames);
    if (err == 0 && tail != 0) {
        unsigned char* rest = data + frames * frameBytes_;
        std::vector<unsigned char> last(frameBytes_, silence_);
        if (playing) std::memcpy(last.data(), rest, tail);
        err = moveFrames(direction, last.data(), 1);
        if (err == 0 && !playing) std::memcpy(rest, last.data(), tail);
    }
    if (err == 0 && playing) err = snd_pcm_drain(pcm_);
    return err;
}

WaveResult AlsaWaveSystem::stopCapture(WaveHandle) { return resultOf(snd_pcm_drop(pcm_)); }

// Nothing of the caller's buffer stays with ALSA between the steps.
WaveResult AlsaWaveSystem::unprepare(WaveDirection, WaveHandle) { return 0; }
WaveResult AlsaWaveSystem::resetCapture(WaveHandle) { return 0; }

WaveResult AlsaWaveSystem::close(WaveDirection, WaveHandle) {
    const int err = snd_pcm_close(pcm_);
    pcm_ = nullptr;
    busy_ = nullptr;
    return resultOf(err);
}

std::string AlsaWaveSystem::errorText(WaveDirection, WaveResult result) {
    return snd_strerror(-static_cast<int>(result));
}

namespace {

void writeBox(const std::string& caption, const std::string& text) {
    std::string line = caption + ": ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            line += '\n';
            ++i;
        } else {
            line += text[i];
        }
    }
    line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

void StderrMessageBoxes::showError(const std::string& caption, const std::string& text) {
    writeBox(caption, text);
}

void StderrMessageBoxes::showInformation(const std::string& caption, const std::string& text) {
    writeBox(caption, text);
}

WaveSystem& platformWaveSystem() {
    static NoDestructor<AlsaWaveSystem> system;
    return *system;
}

MessageBoxes& platformMessageBoxes() {
    static NoDestructor<StderrMessageBoxes> boxes;
    return *boxes;
}

}  // namespace port
