// The waveform strip of the sound editor without any toolkit: the envelope
// of the preview sound, the view over it (whole sound or zoomed in down to
// single samples), where the six engine segments, the two markers of the
// current segment and the play cursor stand in that view, and which marker a
// mouse position grabs. The window skin only paints what this computes and
// routes the mouse into it.
//
// Positions are byte offsets into the sound data, like the position sliders
// and the play cursor; the strip's columns are device pixels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "programdata/program_data.h"
#include "sound/sound_device.h"
#include "sound/wave_file.h"

namespace rumblet {

// The lowest and highest sample of a stretch of sound, all channels, at 16
// bits. An empty stretch has low > high.
struct WaveSpan {
    int16_t low = 0;
    int16_t high = -1;
    bool empty() const { return low > high; }
};

// A loaded sound made ready for drawing, once per load: the span of every
// block of BLOCK_FRAMES frames, so that any stretch, a whole column of a 60 s
// sound included, is summed up from a few blocks, and the decoded samples
// themselves (the copy the preview plays, not one of its own) for the
// stretches between blocks. Spans are at 16 bits, enough for a strip a few
// hundred pixels high.
class WaveEnvelope {
public:
    static constexpr int64_t BLOCK_FRAMES = 128;

    explicit WaveEnvelope(std::shared_ptr<const WaveData> wave);

    int64_t frames() const { return frames_; }
    int32_t channels() const { return channels_; }
    // Bytes of one frame in the file's own format: the unit of positions.
    int32_t blockAlign() const { return blockAlign_; }
    int32_t lengthBytes() const { return static_cast<int32_t>(frames_ * blockAlign_); }

    // The span of frames [first, last), clipped to the sound.
    WaveSpan span(int64_t first, int64_t last) const;

private:
    // Samples [first, last), counted over all channels.
    WaveSpan sampleSpan(int64_t first, int64_t last) const;

    std::shared_ptr<const WaveData> wave_;
    int64_t frames_ = 0;
    int32_t channels_ = 1;
    int32_t blockAlign_ = 1;
    std::vector<WaveSpan> blocks_;
};

// The envelope of the sound a buffer plays, made from the buffer's own
// decoded samples; none when it has none (the strip then stays empty).
std::shared_ptr<const WaveEnvelope> waveEnvelopeOf(const SoundBuffer& buffer);

// One engine segment as a band over the strip, in columns.
struct SegmentBand {
    int index = 0;
    double left = 0, right = 0;
    bool current = false;
};

// Everything the strip shows at one moment, in columns of the strip.
struct WaveStripScene {
    const std::vector<WaveSpan>* columns = nullptr;  // none: an empty strip
    std::vector<SegmentBand> bands;                  // visible segments, the current one last
    std::optional<double> startMarker, endMarker;    // the current segment's ends
    std::optional<double> playCursor;
    double firstFrame = 0;  // where column 0 stands in the sound
    double framesPerColumn = 0;
    // Whether samples are wide enough to be marked one by one.
    bool samplesApart() const { return framesPerColumn > 0 && framesPerColumn <= 0.25; }
    // Whether column c is the first of a sample's columns.
    bool sampleStartsAt(int c) const;
};

// Which of the two markers of the current segment a drag moves.
enum class Marker { Start = 0, End = 1 };

// What the editor shows on the strip, gathered at one moment.
struct WaveStripState {
    std::shared_ptr<const WaveEnvelope> sound;
    bool engine = false;                 // segments and markers only for engine sounds
    std::array<segment, 6> positions{};  // the current controller's segments
    int current = 0;                     // the current segment
    int32_t start = 0, end = 0;          // the current segment as the sliders show it
    std::optional<int32_t> playCursor;   // none when there is no preview
};

class WaveStrip {
public:
    // A sample at full zoom is this many columns wide.
    static constexpr int MAX_COLUMNS_PER_FRAME = 8;
    // A marker is grabbed this many columns either side of it.
    static constexpr double GRAB_COLUMNS = 5;

    // A new sound (or none) shows whole; the same sound keeps its view.
    void setSound(std::shared_ptr<const WaveEnvelope> sound);
    const WaveEnvelope* sound() const { return sound_.get(); }
    void setWidth(int columns);
    int width() const { return width_; }

    // --- the view -------------------------------------------------------
    bool zoomed() const;
    void showWhole();
    // Shows bytes [from, to) with a margin either side; an empty stretch
    // (a segment not yet marked) shows at full zoom around it.
    void showBytes(int32_t from, int32_t to);
    // `steps` halvings of the visible stretch (negative: doublings), keeping
    // the sound under column x where it is.
    void zoomAt(double x, int steps);
    // Moves the view by `columns` columns (positive: later in the sound).
    void pan(double columns);
    double firstFrame() const { return first_; }
    double framesPerColumn() const { return width_ > 0 ? span_ / width_ : 0; }

    // --- mapping ----------------------------------------------------------
    double columnOf(int32_t byte) const;
    // The frame boundary nearest to column x, in bytes, within the sound.
    int32_t byteAt(double x) const;
    // The marker within GRAB_COLUMNS of column x, the nearer one; where both
    // stand together the end, so the segment can grow in either direction
    // (a start dragged past the end would only be pulled back).
    std::optional<Marker> markerAt(double x, int32_t start, int32_t end) const;

    // The envelope of the view, one span per column; a column reaches one
    // frame into the next so the wave is drawn without gaps. Computed when
    // the sound or the view changes, not per paint.
    const std::vector<WaveSpan>& columns();

    WaveStripScene scene(const WaveStripState& state);

private:
    void clampView();
    double minSpan() const;

    std::shared_ptr<const WaveEnvelope> sound_;
    int width_ = 0;
    double first_ = 0;  // the frame at column 0
    double span_ = 0;   // frames across the width
    std::vector<WaveSpan> columns_;
    bool columnsValid_ = false;
};

}  // namespace rumblet
