// What the sound editor shows on its waveform strip, and the strip's way
// back into the editor: a dragged marker is a user's move of its position
// slider, so every rule of the sliders holds for it.
#pragma once

#include <cstdint>

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

}  // namespace rumblet
