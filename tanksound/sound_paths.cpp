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
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

bool namesSoundFile(const std::string& name) {
    return !isEmptySoundName(name) && isSafeSoundName(name);
}

std::string slotLabel(int controller, SoundCategory category) {
    switch (category) {
        case SoundCategory::Engine: return "Kontroller " + std::to_string(controller + 1) + " Panzersound";
        case SoundCategory::Shot: return "Kontroller " + std::to_string(controller + 1) + " Schuss";
        case SoundCategory::Turret: return "Kontroller " + std::to_string(controller + 1) + " Turm";
        case SoundCategory::Background: return "Backround";
    }
    return {};
}

std::string soundPath(const std::string& programDir, SoundCategory category,
                      const std::string& name) {
    return soundFolder(programDir, category) + "/" + name;
}

}  // namespace rumblet
