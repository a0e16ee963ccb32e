// The program-wide data that the receiver, the sound engine and the sound
// editor share: the controller table, the sound slots, the background slot,
// the sound device objects and the last active controller. Touched only from
// the window thread, without locks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "sound/sound_device.h"

namespace rumblet {

// The empty-slot marker, compared without regard to letter case.
inline constexpr const char* EMPTY_SOUND = "leer";
bool isEmptySoundName(const std::string& file);

// True when `a` and `b` are equal without regard to the letter case of A-Z.
bool equalsNoCase(const std::string& a, const std::string& b);

// One loadable sound.
struct soundslot {
    std::string file;              // wave file name without folder; "leer" = no sound
    int32_t volume = 0;            // attenuation in hundredths of a decibel
    int32_t basefrequency = 0;     // engine slot: rate in Hz right after loading
    int32_t playcursor = 0;        // engine slot: play cursor of the last query
    int32_t writecursor = 0;       // engine slot: write cursor of the same query
    std::unique_ptr<SoundBuffer> buffer;  // none until loaded
    int32_t length = 0;            // engine slot: sound data in bytes (editor)
};

// One engine-sound segment, byte offsets into the engine buffer.
struct segment {
    int32_t start = 0;
    int32_t end = 0;
};

// Segment indexes inside `positions`.
enum SegmentIndex : int {
    MOTORSTART = 0,
    MOTORLEERLAUFSTART = 1,
    BESCHLEUNIGEN = 2,
    FAHREN = 3,
    BREMSEN = 4,
    MOTORSTOP = 5,
};

// The record of one IR controller; the index in `controllers` is its channel.
struct controller {
    int16_t speed1 = 0;        // bits 3-7 of the latest drive frame, -15..15
    int16_t speed2 = 0;        // bits 8-12 of the latest drive frame, -15..15
    int16_t phase = 0;         // engine phase: 0 idle, 1 braking, 2 driving
    int16_t shotrequest = 0;   // non-zero: a fire frame asked for a shot
    int16_t turretstate = 0;   // 0 off, 1 start requested, 2 running
    int16_t newmodel = 0;      // 1 "  New", 0 "  Old"
    int16_t enginestate = 0;   // 0 off; 128-159 announced; 1-31 running (model)
    int16_t watchdog = 0;      // frame watchdog counter
    soundslot enginesound;     // folder dsound
    soundslot shotsound;       // folder dsound/Schuss
    soundslot turretsound;     // folder dsound/Turm
    std::array<segment, 6> positions{};
};

inline constexpr int CONTROLLER_COUNT = 4;

// Everything that lives from program start to program end.
struct ProgramData {
    std::array<controller, CONTROLLER_COUNT> controllers{};
    soundslot atmosound;                        // background sound, folder dsound/atmo
    std::unique_ptr<SoundSystem> directx;       // root object of the sound interface
    std::unique_ptr<SoundDevice> directsound;   // the default sound device
    int16_t currentcontroller = 0;              // controller of the last ordinary frame
    std::string programDir;                     // where IR.ini and dsound are (tanksound/data_folder.h), no trailing '/'

    // Settings and positions files that exist but could not be read, or
    // are damaged: the program runs on defaults and never writes over them,
    // so the user's own file survives the run.
    std::set<std::string> unreadableFiles;
    // The data folder is used read-only in this run (the installed set, when
    // the player has no folder of their own): nothing is written into it.
    bool readOnlyFolder = false;
    // Files of the read-only folder already named as not saved in this run.
    std::set<std::string> unsavedNamed;
    // The last save of the positions files left some unwritten; the
    // program's end tries once more, so the edits are not dropped silently.
    bool positionsUnsaved = false;

    // Releases the engine, shot and turret buffers of controllers 0 to 3, then
    // the device object, then the root object.
    void releaseSound();
};

// The file test shared by both windows: the length of the file name that a
// search for `path` finds among ordinary files, 0 when there is none (also
// for a folder). Names are matched without regard to letter case, folder by
// folder, so a sound set copied from a case-insensitive file system works.
int16_t fileda(const std::string& path);

// The path as it really is on disk when every component of `path` is matched
// without regard to letter case; empty when nothing matches. An exact match
// wins over a case-insensitive one.
std::string resolvePathNoCase(const std::string& path);

// Where the last folder entry of `path` begins (after its last separator).
std::size_t nameStart(const std::string& path);

// Reads the settings or positions file at `path` (found without regard to
// letter case) into `content`, as text the readers take (decodeFileText:
// UTF-16 from Windows editors as UTF-8); a missing file reads as empty. A
// file that exists but cannot be read (no rights, a folder) or holds no
// text (binary junk) reads as empty too, joins `unreadableFiles`, and the
// message that names it is returned (once per file and run); otherwise the
// result is empty.
std::string readProgramFile(ProgramData& data, const std::string& path, std::string& content);

// Throws the not-saved message when `realPath` is one of `unreadableFiles`.
void refuseUnreadable(const ProgramData& data, const std::string& realPath);

// Whether a save may write the file at `realPath`: always, except in a
// read-only data folder, where nothing is written. There a file that
// already holds what the save would write (`holds`, given its present
// bytes, tells) loses nothing: false. Any other throws: the first time in
// the run for that file with the not-saved message, after that with an
// empty one (the changes stay in use, and the player has been told).
bool mayWriteProgramFile(ProgramData& data, const std::string& realPath,
                         const std::function<bool(const std::string& present)>& holds);

}  // namespace rumblet
