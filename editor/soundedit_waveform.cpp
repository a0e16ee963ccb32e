#include "editor/soundedit_waveform.h"

namespace rumblet {

WaveStripState waveStripState(const Soundedit& editor) {
    WaveStripState state;
    state.sound = editor.waveform();
    if (!state.sound) return state;
    state.engine = editor.currentCategory() == CATEGORY_ENGINE;
    state.positions = editor.currentPositions();
    state.current = editor.currentSegment();
    state.start = editor.Slider1[0].value;
    state.end = editor.Slider1[1].value;
    if (state.engine) {
        if (editor.lastPlayCursor() >= 0) state.playCursor = editor.lastPlayCursor();
    } else if (const SoundBuffer* preview = editor.preview()) {
        int32_t playCursor = 0, writeCursor = 0;
        preview->GetCurrentPosition(playCursor, writeCursor);
        state.playCursor = playCursor;
    }
    return state;
}

bool markersMovable(const Soundedit& editor) {
    return editor.waveform() && editor.currentCategory() == CATEGORY_ENGINE && editor.Frame5.enabled;
}

void moveMarker(Soundedit& editor, Marker marker, int32_t byte) {
    if (!markersMovable(editor)) return;
    editor.Slider1[static_cast<size_t>(marker)].userMove(byte);
}

bool WaveStripView::sameAsShown(const WaveStripState& s) const {
    for (size_t i = 0; i < s.positions.size(); ++i)
        if (s.positions[i].start != shown_.positions[i].start || s.positions[i].end != shown_.positions[i].end)
            return false;
    return s.sound == shown_.sound && s.engine == shown_.engine && s.current == shown_.current &&
           s.start == shown_.start && s.end == shown_.end && s.playCursor == shown_.playCursor;
}

bool WaveStripView::refresh() {
    WaveStripState state = waveStripState(editor_);
    if (sameAsShown(state)) return false;
    const bool otherSound = state.sound != shown_.sound;
    const bool otherSegment = state.current != shown_.current;
    shown_ = std::move(state);
    strip_.setSound(shown_.sound);
    if (otherSound) segmentZoom_ = false;
    else if (otherSegment && segmentZoom_) zoomToSegment();
    return true;
}

void WaveStripView::zoomToSegment() {
    strip_.showBytes(shown_.start, shown_.end);
    segmentZoom_ = true;
}

bool WaveStripView::press(double column) {
    if (!markersMovable(editor_)) return false;
    const bool changed = refresh();
    dragging_ = strip_.markerAt(column, shown_.start, shown_.end);
    return changed;
}

void WaveStripView::drag(double column) {
    if (dragging_) moveMarker(editor_, *dragging_, strip_.byteAt(column));
}

bool WaveStripView::overMovableMarker(double column) const {
    return markersMovable(editor_) && strip_.markerAt(column, shown_.start, shown_.end).has_value();
}

bool WaveStripView::doubleClick() {
    if (!strip_.sound()) return false;
    if (segmentZoom_ || !shown_.engine) {
        strip_.showWhole();
        segmentZoom_ = false;
    } else {
        zoomToSegment();
    }
    return true;
}

bool WaveStripView::wheel(double column, int delta, bool sideways) {
    if (!strip_.sound()) return false;
    wheelRest_ += delta;
    const int steps = wheelRest_ / WHEEL_STEP;
    wheelRest_ %= WHEEL_STEP;
    if (steps == 0) return false;
    if (sideways) strip_.pan(-steps * strip_.width() / 8.0);
    else strip_.zoomAt(column, steps);
    segmentZoom_ = false;
    return true;
}

}  // namespace rumblet
