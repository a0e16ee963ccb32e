#include "wave_card.h"

#include <limits>

#include "fault.h"

namespace port {

namespace {

constexpr const char* capabilityTexts[12] = {
    "11.025 kHz, mono,   8-bit ", "11.025 kHz, stereo, 8-bit ",
    "11.025 kHz, mono,   16-bit", "11.025 kHz, stereo, 16-bit",
    "22.05  kHz, mono,   8-bit ", "22.05  kHz, stereo, 8-bit ",
    "22.05  kHz, mono,   16-bit", "22.05  kHz, stereo, 16-bit",
    "44.1   kHz, mono,   8-bit ", "44.1   kHz, stereo, 8-bit ",
    "44.1   kHz, mono,   16-bit", "44.1   kHz, stereo, 16-bit",
};

constexpr std::size_t productNameLimit = 31;

}  // namespace

const char* capabilityText(int bit) { return capabilityTexts[bit]; }

std::string capabilityBoxText(const WaveCapabilities& caps) {
    std::string text = caps.productName.substr(0, productNameLimit);
    text += ' ';
    text += std::to_string(caps.channels);
    text += " channel.";
    for (int bit = 0; bit < 12; ++bit) {
        if (caps.formats & (1u << bit)) {
            text += "\r\n";
            text += capabilityTexts[bit];
        }
    }
    return text;
}

uint32_t transferLength(WaveDirection direction, WaveChannels channels, uint32_t count,
                        int32_t width) {
    const bool wholeCount = direction == WaveDirection::capture && channels == WaveChannels::stereo;
    const int64_t samples = wholeCount ? int64_t{count} : checkedSub(count, 1);
    const int64_t bytes = checkedMul(samples, width);
    if (bytes < 0 || bytes > int64_t{std::numeric_limits<uint32_t>::max()}) raise(Fault::range);
    return static_cast<uint32_t>(bytes);
}

SoundCard::SoundCard(WaveSystem& system, MessageBoxes& boxes) : system_(system), boxes_(boxes) {}

void SoundCard::transfer(WaveDirection direction, WaveChannels channels, void* buffer,
                         int32_t count) {
    if (busy_.load()) return;
    if (channels == WaveChannels::mono && count < 1) return;
    if (count == 0) return;
    // A stereo count of 2^31 or more would be a buffer of 2 GiB or more:
    // taken as unsigned it only ever runs past the caller's buffer.
    if (count < 0) raise(Fault::range);
    const auto samples = static_cast<uint32_t>(count);

    // Everything that can fault is worked out before the device is touched,
    // so a faulted call leaves nothing open.
    const uint32_t length = transferLength(direction, channels, samples, width_);
    format_ = formatFor(channels);

    if (!succeeded(direction, system_.queryFormat(direction, format_))) return;
    WaveHandle opened = 0;
    if (!succeeded(direction, system_.open(direction, format_, busy_, opened))) return;
    handle_ = opened;

    header_ = WaveHeader{};
    system_.lock(buffer, samples);
    header_.data = buffer;
    header_.length = length;
    header_.flags = 0;
    if (!succeeded(direction, system_.prepare(direction, handle_, header_)))
        return abandon(direction, buffer, samples);
    if (direction == WaveDirection::capture && !succeeded(direction, system_.addBuffer(handle_)))
        return abandon(direction, buffer, samples);

    busy_.store(true);
    if (!succeeded(direction, system_.start(direction, handle_)))
        return abandon(direction, buffer, samples);

    // The device's callback clears the flag when the buffer is done.
    while (busy_.load()) {
    }
    system_.unlock(buffer, samples);
    close(direction);
}

WaveFormat SoundCard::formatFor(WaveChannels channels) const {
    WaveFormat f;
    f.formatTag = 1;
    f.channels = static_cast<uint16_t>(channels);
    if (rate_ < 0) raise(Fault::range);
    f.samplesPerSecond = static_cast<uint32_t>(rate_);
    f.bitsPerSample = static_cast<uint16_t>(width_ * 8);
    f.blockAlign = static_cast<uint16_t>(f.bitsPerSample * f.channels / 8);
    const int64_t perSecond = checkedMul(f.blockAlign, rate_);
    if (perSecond > std::numeric_limits<int32_t>::max()) raise(Fault::overflow);
    f.averageBytesPerSecond = static_cast<uint32_t>(perSecond);
    f.extraSize = 18;
    return f;
}

// A failed step shows the error box with the system's own text for it.
bool SoundCard::succeeded(WaveDirection direction, WaveResult result) {
    if (result == 0) return true;
    lastError_ = result;
    boxes_.showError(waveErrorCaption, system_.errorText(direction, result));
    return false;
}

// A transfer that failed after the device was opened closes it again and
// drops the busy flag, so that the next transfer finds the card idle.
void SoundCard::abandon(WaveDirection direction, void* buffer, uint32_t count) {
    system_.unlock(buffer, count);
    if (direction == WaveDirection::capture)
        closeInput(InputState::bufferMayBeQueued);
    else
        closeOutput();
    busy_.store(false);
}

void SoundCard::close(WaveDirection direction) {
    if (direction == WaveDirection::capture)
        closeInput();
    else
        closeOutput();
}

void SoundCard::closeInput() { closeInput(InputState::bufferDone); }

// After a failed start the buffer is still queued on the device, and a
// queued header can be neither unprepared nor its device closed: the reset
// hands it back first.
void SoundCard::closeInput(InputState state) {
    if (handle_ == 0) return;
    constexpr auto in = WaveDirection::capture;
    succeeded(in, system_.stopCapture(handle_));
    if (state == InputState::bufferMayBeQueued) succeeded(in, system_.resetCapture(handle_));
    succeeded(in, system_.unprepare(in, handle_));
    if (state == InputState::bufferDone) succeeded(in, system_.resetCapture(handle_));
    succeeded(in, system_.close(in, handle_));
    handle_ = 0;
}

void SoundCard::closeOutput() {
    if (handle_ == 0) return;
    system_.unprepare(WaveDirection::playback, handle_);
    system_.close(WaveDirection::playback, handle_);
    handle_ = 0;
}

int32_t SoundCard::busy() const { return busy_.load() ? -1 : 0; }

int32_t SoundCard::rate() const {
    if (rate_ < 0) raise(Fault::range);
    return rate_;
}

int32_t SoundCard::setRate(int32_t rate) {
    const int32_t previous = rate_;
    rate_ = rate;
    if (previous < 0) raise(Fault::range);
    return previous;
}

int32_t SoundCard::width() const { return width_; }

int32_t SoundCard::setWidth(int32_t bytes) {
    width_ = bytes == 1 ? 1 : 2;
    return width_;
}

int32_t SoundCard::inputPresent() {
    return system_.deviceCount(WaveDirection::capture) >= 1 ? -1 : 0;
}

void SoundCard::showCapabilities(WaveDirection direction) {
    if (system_.deviceCount(direction) == 0) {
        boxes_.showInformation(capabilityCaption, noDeviceText);
        return;
    }
    // A capability record that could not be read describes nothing: the box
    // then says so instead of showing whatever the record held.
    WaveCapabilities caps;
    if (system_.capabilities(direction, caps) != 0) {
        boxes_.showInformation(capabilityCaption, noDeviceText);
        return;
    }
    boxes_.showInformation(capabilityCaption, capabilityBoxText(caps));
}

}  // namespace port
