#include "wave.h"

#include "wave_card.h"
#include "no_destructor.h"

namespace port {

// Never destroyed: the library's unload runs the close sequences on it after
// static objects may already be gone.
SoundCard& soundCard() {
    static NoDestructor<SoundCard> card(platformWaveSystem(), platformMessageBoxes());
    return *card;
}

void waveCloseInput() { soundCard().closeInput(); }
void waveCloseOutput() { soundCard().closeOutput(); }

}  // namespace port
