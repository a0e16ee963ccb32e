#include "tanksound/sound_paths.h"

#include "programdata/program_data.h"

namespace rumblet {

std::string soundFolder(const std::string& programDir, SoundCategory category) {
    const std::string base = programDir + "/dsound";
    switch (category) {
        case SoundCategory::Engine: return base;
        case SoundCategory::Shot: return base + "/Schuss";
        case SoundCategory::Turret: return base + "/Turm";
        case SoundCategory::Background: return base + "/atmo";
    }
    return base;
}

bool isSafeSoundName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find("..") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool namesSoundFile(const std::string& name) {
    return !isEmptySoundName(name) && isSafeSoundName(name);
}

std::string soundPath(const std::string& programDir, SoundCategory category,
                      const std::string& name) {
    return soundFolder(programDir, category) + "/" + name;
}

}  // namespace rumblet
