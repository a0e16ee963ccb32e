#include "wave.h"

#include "wave_card.h"

namespace port {

// Never destroyed: the library's unload runs the close sequences on it after
// static objects may already be gone.
SoundCard& soundCard() {
    static SoundCard& card = *new SoundCard(platformWaveSystem(), platformMessageBoxes());
    return card;
}

void waveCloseInput() { soundCard().closeInput(); }
void waveCloseOutput() { soundCard().closeOutput(); }

}  // namespace port
