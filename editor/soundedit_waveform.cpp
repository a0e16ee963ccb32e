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

}  // namespace rumblet
