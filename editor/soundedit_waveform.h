// What the sound editor shows on its waveform strip, and the strip's way
// back into the editor: a dragged marker is a user's move of its position
// slider, so every rule of the sliders holds for it.
#pragma once

#include <cstdint>
#include <optional>

#include "editor/soundedit.h"
#include "editor/waveform.h"

namespace rumblet {

// The strip's state at this moment. In the engine category the play cursor
// is the one the segment loop read last; otherwise the preview is asked
// once, so each repaint costs at most one query of the sound.
WaveStripState waveStripState(const Soundedit& editor);

// Whether the markers can be dragged: as long as the position sliders can be.
bool markersMovable(const Soundedit& editor);

// Moves a marker to `byte` as the user's move of its slider does.
void moveMarker(Soundedit& editor, Marker marker, int32_t byte);

// The strip as a window skin shows it: what it showed last, and what the
// mouse and the wheel do to it, so every skin paints the same strip and
// routes the same input. Positions are columns (device pixels) of the strip.
//  - A marker grabbed with the left button and dragged is a user's move of
//    its slider (the skin runs `drag` as a user action).
//  - The wheel zooms around the mouse; sideways (Shift, or a tilted wheel)
//    it scrolls an eighth of the strip per notch, turning towards the user
//    going later.
//  - A double click zooms into the current segment and back out to the
//    whole sound; the zoom follows the segment chosen meanwhile.
class WaveStripView {
public:
    static constexpr int WHEEL_STEP = 120;  // a notch, in eighths of a degree

    explicit WaveStripView(Soundedit& editor) : editor_(editor) {}

    void setWidth(int columns) { strip_.setWidth(columns); }
    // Reads the editor's state; true when it differs from what the strip
    // shows, so the skin repaints only then.
    bool refresh();
    WaveStripScene scene() { return strip_.scene(shown_); }
    const WaveStrip& strip() const { return strip_; }

    // The left button pressed at `column`: grabs the marker there, if any;
    // true when the editor's state had changed meanwhile (a repaint is due).
    bool press(double column);
    bool dragging() const { return dragging_.has_value(); }
    // Moves the grabbed marker to the frame boundary under `column`.
    void drag(double column);
    void release() { dragging_.reset(); }
    // Whether a press at `column` would grab a marker (the skin shows a
    // cursor for moving it).
    bool overMovableMarker(double column) const;
    // Each returns whether the view changed (a repaint is due).
    bool doubleClick();
    bool wheel(double column, int delta, bool sideways);

private:
    bool sameAsShown(const WaveStripState& state) const;
    void zoomToSegment();

    Soundedit& editor_;
    WaveStrip strip_;
    WaveStripState shown_;
    std::optional<Marker> dragging_;
    bool segmentZoom_ = false;
    int wheelRest_ = 0;  // eighths of a degree not yet turned into a step
};

}  // namespace rumblet
