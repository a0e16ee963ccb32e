#include "sound_set_files.h"

#include <sndfile.h>

#include <fstream>
#include <stdexcept>
#include <system_error>

#include "app/program_data.h"
#include "demo_sound_set.h"

namespace demo {
namespace {

namespace fs = std::filesystem;

// Numbers in the program's text files: a blank or "-", the digits, a blank.
std::string numberLine(long value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    return (value < 0 ? "-" : " ") + digits + " \r\n";
}

std::string textLine(const std::string& text) { return text + "\r\n"; }

// Replaces `path` by a file holding `text`, through a temporary name.
void writeText(const fs::path& path, const std::string& text) {
    const fs::path part = path.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) throw std::runtime_error("cannot write " + part.string());
    }
    std::error_code ec;
    fs::rename(part, path, ec);
    if (ec) throw std::runtime_error("cannot write " + path.string() + ": " + ec.message());
}

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

std::string positionsText() {
    std::string text;
    for (const EngineSegment& s : ENGINE_SEGMENTS) {
        text += numberLine(long(s.start) * BYTES_PER_SAMPLE);
        text += numberLine(long(s.end) * BYTES_PER_SAMPLE);
    }
    return text;
}

std::string settingsText(int comport, int controllers) {
    std::string text;
    for (int n = 0; n < 4; ++n) {
        const bool named = n < controllers;
        text += textLine(named ? ENGINE_FILE : rumblet::EMPTY_SOUND) + numberLine(ENGINE_VOLUME);
        text += textLine(named ? SHOT_FILE : rumblet::EMPTY_SOUND) + numberLine(SHOT_VOLUME);
        text += textLine(named ? TURRET_FILE : rumblet::EMPTY_SOUND) + numberLine(TURRET_VOLUME);
    }
    text += textLine(BACKGROUND_FILE) + numberLine(BACKGROUND_VOLUME);
    text += numberLine(comport);
    return text;
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
    writeText(sounds / POSITIONS_FILE, positionsText());
    writeWave(folderNoCase(sounds, "Schuss") / SHOT_FILE, synthesizeShot());
    writeWave(folderNoCase(sounds, "Turm") / TURRET_FILE, synthesizeTurret());
    writeWave(folderNoCase(sounds, "atmo") / BACKGROUND_FILE, synthesizeRain());
}

bool writeSettingsIfMissing(const fs::path& programDir, int comport, int controllers) {
    std::error_code ec;
    fs::create_directories(programDir, ec);
    // The program finds its settings file in any letter case.
    if (!rumblet::resolvePathNoCase((programDir / "IR.ini").string()).empty()) return false;
    writeText(programDir / "IR.ini", settingsText(comport, controllers));
    return true;
}

}  // namespace demo
