// Sound card group: each export is one call on the library's sound card;
// whatever stops it gives the call's "nothing" and the reason for PORTERROR.
#include "fault.h"
#include "port.h"
#include "wave_card.h"

using port::guarded;
using port::soundCard;
using port::WaveChannels;
using port::WaveDirection;

extern "C" {

PORT_API void PORT_CALL SSOUNDOUT(void* buffer, int32_t count) {
    guarded([&] { soundCard().transfer(WaveDirection::playback, WaveChannels::stereo, buffer, count); });
}

PORT_API void PORT_CALL SSOUNDIN(void* buffer, int32_t count) {
    guarded([&] { soundCard().transfer(WaveDirection::capture, WaveChannels::stereo, buffer, count); });
}

PORT_API int32_t PORT_CALL SOUNDSETBYTES(int32_t bytes) {
    return guarded(0, [&] { return soundCard().setWidth(bytes); });
}

PORT_API int32_t PORT_CALL SOUNDGETBYTES(void) {
    return guarded(0, [] { return soundCard().width(); });
}

PORT_API int32_t PORT_CALL SOUNDSETRATE(int32_t rate) {
    return guarded(0, [&] { return soundCard().setRate(rate); });
}

PORT_API int32_t PORT_CALL SOUNDGETRATE(void) {
    return guarded(0, [] { return soundCard().rate(); });
}

PORT_API int32_t PORT_CALL SOUNDBUSY(void) {
    return guarded(0, [] { return soundCard().busy(); });
}

PORT_API void PORT_CALL SOUNDOUT(void* buffer, int32_t count) {
    guarded([&] { soundCard().transfer(WaveDirection::playback, WaveChannels::mono, buffer, count); });
}

PORT_API void PORT_CALL SOUNDIN(void* buffer, int32_t count) {
    guarded([&] { soundCard().transfer(WaveDirection::capture, WaveChannels::mono, buffer, count); });
}

PORT_API void PORT_CALL SOUNDCAPOUT(void) {
    guarded([] { soundCard().showCapabilities(WaveDirection::playback); });
}

PORT_API void PORT_CALL SOUNDCAPIN(void) {
    guarded([] { soundCard().showCapabilities(WaveDirection::capture); });
}

PORT_API int32_t PORT_CALL SOUNDIS(void) {
    return guarded(0, [] { return soundCard().inputPresent(); });
}

}
