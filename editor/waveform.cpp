#include "editor/waveform.h"

#include <algorithm>
#include <cmath>

#include "sound/sound_device.h"

namespace rumblet {

namespace {

constexpr float FULL_SCALE = 32767.0f;

// Float files may go beyond full scale; the strip shows them at its edge.
int16_t quantised(float sample) { return static_cast<int16_t>(std::clamp(sample, -1.0f, 1.0f) * FULL_SCALE); }

WaveSpan merged(WaveSpan a, WaveSpan b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.low, b.low), std::max(a.high, b.high)};
}

// A segment zoomed to gets this share of the width as margin on each side,
// so its markers do not stand on the strip's edges.
constexpr double SEGMENT_MARGIN = 0.1;

}  // namespace

WaveEnvelope::WaveEnvelope(std::shared_ptr<const WaveData> wave)
    : wave_(std::move(wave)),
      frames_(wave_->frames),
      channels_(std::max<int32_t>(wave_->format.channels, 1)),
      blockAlign_(std::max<int32_t>(wave_->format.blockAlign(), 1)) {
    const size_t count = std::min(wave_->samples.size(), static_cast<size_t>(frames_ * channels_));
    frames_ = static_cast<int64_t>(count) / channels_;
    const size_t blockSamples = static_cast<size_t>(BLOCK_FRAMES * channels_);
    blocks_.reserve((count + blockSamples - 1) / blockSamples);
    for (size_t begin = 0; begin < count; begin += blockSamples) {
        blocks_.push_back(sampleSpan(static_cast<int64_t>(begin), static_cast<int64_t>(std::min(count, begin + blockSamples))));
    }
}

WaveSpan WaveEnvelope::sampleSpan(int64_t first, int64_t last) const {
    if (first >= last) return {};
    const float* samples = wave_->samples.data();
    const auto [low, high] = std::minmax_element(samples + first, samples + last);
    return {quantised(*low), quantised(*high)};
}

WaveSpan WaveEnvelope::span(int64_t first, int64_t last) const {
    first = std::clamp<int64_t>(first, 0, frames_);
    last = std::clamp<int64_t>(last, first, frames_);
    const int64_t firstBlock = (first + BLOCK_FRAMES - 1) / BLOCK_FRAMES;
    const int64_t lastBlock = last / BLOCK_FRAMES;
    if (firstBlock >= lastBlock) return sampleSpan(first * channels_, last * channels_);
    WaveSpan s = sampleSpan(first * channels_, firstBlock * BLOCK_FRAMES * channels_);
    for (int64_t b = firstBlock; b < lastBlock; ++b) s = merged(s, blocks_[static_cast<size_t>(b)]);
    return merged(s, sampleSpan(lastBlock * BLOCK_FRAMES * channels_, last * channels_));
}

std::shared_ptr<const WaveEnvelope> waveEnvelopeOf(const SoundBuffer& buffer) {
    std::shared_ptr<const WaveData> wave = buffer.decodedSound();
    if (!wave) return nullptr;
    return std::make_shared<const WaveEnvelope>(std::move(wave));
}

bool WaveStripScene::sampleStartsAt(int c) const {
    return c == 0 || std::floor(firstFrame + c * framesPerColumn) != std::floor(firstFrame + (c - 1) * framesPerColumn);
}

void WaveStrip::setSound(std::shared_ptr<const WaveEnvelope> sound) {
    if (sound == sound_) return;
    sound_ = std::move(sound);
    showWhole();
}

void WaveStrip::setWidth(int columns) {
    if (columns == width_) return;
    width_ = std::max(columns, 0);
    clampView();
}

double WaveStrip::minSpan() const {
    const double total = sound_ ? static_cast<double>(sound_->frames()) : 0;
    return std::min(total, static_cast<double>(width_) / MAX_COLUMNS_PER_FRAME);
}

void WaveStrip::clampView() {
    const double total = sound_ ? static_cast<double>(sound_->frames()) : 0;
    span_ = std::clamp(span_, std::max(minSpan(), 1e-9), std::max(total, 1e-9));
    first_ = std::clamp(first_, 0.0, std::max(total - span_, 0.0));
    columnsValid_ = false;
}

bool WaveStrip::zoomed() const { return sound_ && span_ < static_cast<double>(sound_->frames()); }

void WaveStrip::showWhole() {
    first_ = 0;
    span_ = sound_ ? static_cast<double>(sound_->frames()) : 0;
    clampView();
}

void WaveStrip::showBytes(int32_t from, int32_t to) {
    if (!sound_) return;
    const double a = static_cast<double>(from) / sound_->blockAlign();
    const double b = static_cast<double>(std::max(from, to)) / sound_->blockAlign();
    const double length = b - a;
    span_ = length * (1 + 2 * SEGMENT_MARGIN);
    first_ = a - length * SEGMENT_MARGIN;
    if (span_ < minSpan()) {
        span_ = minSpan();
        first_ = (a + b - span_) / 2;
    }
    clampView();
}

void WaveStrip::zoomAt(double x, int steps) {
    if (!sound_ || width_ <= 0) return;
    const double anchor = first_ + x * framesPerColumn();
    span_ = std::ldexp(span_, -steps);
    clampView();
    first_ = anchor - x * framesPerColumn();
    clampView();
}

void WaveStrip::pan(double columns) {
    first_ += columns * framesPerColumn();
    clampView();
}

double WaveStrip::columnOf(int32_t byte) const {
    if (!sound_ || framesPerColumn() <= 0) return 0;
    return (static_cast<double>(byte) / sound_->blockAlign() - first_) / framesPerColumn();
}

int32_t WaveStrip::byteAt(double x) const {
    if (!sound_) return 0;
    const double frame = std::round(first_ + x * framesPerColumn());
    const auto clamped = std::clamp<int64_t>(static_cast<int64_t>(frame), 0, sound_->frames());
    return static_cast<int32_t>(clamped * sound_->blockAlign());
}

std::optional<Marker> WaveStrip::markerAt(double x, int32_t start, int32_t end) const {
    if (!sound_) return std::nullopt;
    const double toStart = std::abs(x - columnOf(start));
    const double toEnd = std::abs(x - columnOf(end));
    if (std::min(toStart, toEnd) > GRAB_COLUMNS) return std::nullopt;
    return toEnd <= toStart ? Marker::End : Marker::Start;
}

const std::vector<WaveSpan>& WaveStrip::columns() {
    if (columnsValid_) return columns_;
    columns_.assign(static_cast<size_t>(width_), WaveSpan{});
    if (sound_) {
        const double perColumn = framesPerColumn();
        for (int c = 0; c < width_; ++c) {
            const auto from = static_cast<int64_t>(std::floor(first_ + c * perColumn));
            const auto next = static_cast<int64_t>(std::floor(first_ + (c + 1) * perColumn));
            columns_[static_cast<size_t>(c)] = sound_->span(from, next > from ? next + 1 : from + 1);
        }
    }
    columnsValid_ = true;
    return columns_;
}

WaveStripScene WaveStrip::scene(const WaveStripState& state) {
    setSound(state.sound);
    WaveStripScene scene;
    if (!sound_) return scene;
    scene.columns = &columns();
    scene.firstFrame = first_;
    scene.framesPerColumn = framesPerColumn();
    if (state.playCursor) scene.playCursor = columnOf(*state.playCursor);
    if (!state.engine) return scene;
    for (int i = 0; i < static_cast<int>(state.positions.size()); ++i) {
        const segment& seg = state.positions[static_cast<size_t>(i)];
        if (seg.end <= seg.start) continue;  // not marked yet, or nothing between its ends
        const double left = std::max(columnOf(seg.start), 0.0);
        const double right = std::min(columnOf(seg.end), static_cast<double>(width_));
        if (right <= left) continue;
        scene.bands.push_back({i, left, right, i == state.current});
    }
    std::stable_partition(scene.bands.begin(), scene.bands.end(), [](const SegmentBand& b) { return !b.current; });
    scene.startMarker = columnOf(state.start);
    scene.endMarker = columnOf(state.end);
    return scene;
}

}  // namespace rumblet
