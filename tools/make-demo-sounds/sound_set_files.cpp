#include "sound_set_files.h"

#include <sndfile.h>

#include <stdexcept>
#include <system_error>

#include "programdata/program_data.h"
#include "demo_sound_set.h"
#include "tanksound/positions_file.h"
#include "programdata/replace_file.h"
#include "tanksound/settings_file.h"

namespace demo {
namespace {

namespace fs = std::filesystem;

// The folder `name` inside `parent`, matched without regard to letter case as
// the program matches it (a set copied from another system may say DSOUND);
// created when there is none.
fs::path folderNoCase(const fs::path& parent, const std::string& name) {
    const std::string existing = rumblet::resolvePathNoCase((parent / name).string());
    if (!existing.empty()) return existing;
    std::error_code ec;
    fs::create_directories(parent / name, ec);
    if (ec) throw std::runtime_error("cannot create " + (parent / name).string() + ": " + ec.message());
    return parent / name;
}

}  // namespace

std::array<rumblet::segment, 6> enginePositions() {
    std::array<rumblet::segment, 6> positions{};
    for (size_t k = 0; k < positions.size(); ++k)
        positions[k] = {ENGINE_SEGMENTS[k].start * BYTES_PER_SAMPLE, ENGINE_SEGMENTS[k].end * BYTES_PER_SAMPLE};
    return positions;
}

// The settings as the program itself would save them for the demo set.
std::string settingsText(int comport, int controllers) {
    const auto assign = [](rumblet::soundslot& slot, const char* file, int32_t volume) {
        slot.file = file;
        slot.volume = volume;
    };
    rumblet::ProgramData data;
    for (int n = 0; n < rumblet::CONTROLLER_COUNT; ++n) {
        rumblet::controller& c = data.controllers[size_t(n)];
        const bool named = n < controllers;
        assign(c.enginesound, named ? ENGINE_FILE : rumblet::EMPTY_SOUND, ENGINE_VOLUME);
        assign(c.shotsound, named ? SHOT_FILE : rumblet::EMPTY_SOUND, SHOT_VOLUME);
        assign(c.turretsound, named ? TURRET_FILE : rumblet::EMPTY_SOUND, TURRET_VOLUME);
    }
    assign(data.atmosound, BACKGROUND_FILE, BACKGROUND_VOLUME);
    return rumblet::formatSettings(data, int16_t(comport));
}

void writeWave(const fs::path& path, const Samples& samples) {
    const fs::path part = path.string() + ".part";
    SF_INFO info{};
    info.samplerate = SAMPLE_RATE;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(part.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + part.string() + ": " + sf_strerror(nullptr));
    const sf_count_t written = sf_write_short(file, samples.data(), sf_count_t(samples.size()));
    const std::string error = sf_strerror(file);
    sf_close(file);
    if (written != sf_count_t(samples.size()))
        throw std::runtime_error("cannot write " + part.string() + ": " + error);
    std::error_code ec;
    fs::rename(part, path, ec);
    if (ec) throw std::runtime_error("cannot write " + path.string() + ": " + ec.message());
}

void writeSoundSet(const fs::path& programDir) {
    const fs::path sounds = folderNoCase(programDir, "dsound");
    writeWave(sounds / ENGINE_FILE, synthesizeEngine());
    rumblet::writePositionsFile((sounds / POSITIONS_FILE).string(), enginePositions());
    writeWave(folderNoCase(sounds, "Schuss") / SHOT_FILE, synthesizeShot());
    writeWave(folderNoCase(sounds, "Turm") / TURRET_FILE, synthesizeTurret());
    writeWave(folderNoCase(sounds, "atmo") / BACKGROUND_FILE, synthesizeRain());
}

bool writeSettingsIfMissing(const fs::path& programDir, int comport, int controllers) {
    std::error_code ec;
    fs::create_directories(programDir, ec);
    // The program finds its settings file in any letter case.
    if (!rumblet::resolvePathNoCase(rumblet::settingsPath(programDir.string())).empty()) return false;
    rumblet::replaceFile(rumblet::settingsPath(programDir.string()), settingsText(comport, controllers));
    return true;
}

}  // namespace demo
