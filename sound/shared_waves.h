// One decoded copy of each wave file for all who play it. The same engine
// sound on four controllers, and in the editor's preview and waveform, is
// decoded once and its samples are shared: a long stereo sound is over a
// hundred megabytes of floats.
//
// The samples are immutable, so every buffer reads them without a lock, the
// mixer's audio thread included; each buffer keeps its own position, volume
// and pitch. A buffer holds its samples, and a released buffer's voice holds
// them until it has faded out, so nothing is freed while it is heard.
//
// A file is the same file while its real path (links followed), size and
// modification time are: a file the player replaced or that the editor
// picks again after a change is decoded again, never served stale. Only
// weak references are kept, so a sound no buffer plays any more is freed
// and decoded anew when it is wanted again.
//
// Used on the window thread, like every device operation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "sound/wave_file.h"

namespace rumblet {

class SharedWaves {
public:
    // The decoded sound of the file at `path` (UTF-8): the copy a buffer
    // still plays when the file is unchanged, else a new one from
    // loadWaveFile. Throws SoundError as loadWaveFile does.
    std::shared_ptr<const WaveData> load(const std::string& path);

private:
    struct Entry {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type modified;
        std::weak_ptr<const WaveData> wave;
    };
    std::map<std::filesystem::path, Entry> entries_;  // by real path
};

}  // namespace rumblet
