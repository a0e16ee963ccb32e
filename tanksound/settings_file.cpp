#include "tanksound/settings_file.h"

#include <fstream>
#include <limits>
#include <vector>

#include "programdata/replace_file.h"
#include "tanksound/sound_engine.h"
#include "programdata/text_values.h"

namespace rumblet {

namespace {

// The slots in the order of their lines, each with a file line and a
// volume line: engine, shot, turret of controllers 0 to 3, then background.
template <typename Data, typename Slot>
std::vector<Slot*> slotsInFileOrder(Data& data) {
    std::vector<Slot*> slots;
    for (auto& c : data.controllers) {
        slots.push_back(&c.enginesound);
        slots.push_back(&c.shotsound);
        slots.push_back(&c.turretsound);
    }
    slots.push_back(&data.atmosound);
    return slots;
}

int16_t portFromNumber(int32_t value) {
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        return 0;
    return static_cast<int16_t>(value);
}

// A name holding a line break (possible on disk, never in a name read from
// IR.ini) would push every later value onto the wrong line; it is written up
// to the break.
std::string_view oneLine(const std::string& text) {
    return std::string_view(text).substr(0, text.find_first_of("\r\n"));
}

}  // namespace

std::string settingsPath(const std::string& programDir) {
    return programDir + "/" + SETTINGS_FILE_NAME;
}

void readSettings(std::istream& in, ProgramData& data, int16_t& comport) {
    const auto slots = slotsInFileOrder<ProgramData, soundslot>(data);
    for (soundslot* slot : slots) {
        slot->file = EMPTY_SOUND;
        slot->volume = 0;
    }
    comport = 0;

    LineReader lines(in);
    std::string line;
    for (soundslot* slot : slots) {
        if (!lines.next(line)) return;
        std::string name = textField(line);
        slot->file = name.empty() ? EMPTY_SOUND : name;
        if (!lines.next(line)) return;
        slot->volume = parseLeadingNumber(line);
    }
    if (lines.next(line)) comport = portFromNumber(parseLeadingNumber(line));
}

std::string formatSettings(const ProgramData& data, int16_t comport) {
    std::string text;
    for (const soundslot* slot : slotsInFileOrder<const ProgramData, const soundslot>(data)) {
        text += oneLine(slot->file);
        text += LINE_END;
        text += formatNumberLine(slot->volume);
    }
    text += formatNumberLine(comport);
    return text;
}

void initladen(ProgramData& data, int16_t& comport) {
    const std::string real = resolvePathNoCase(settingsPath(data.programDir));
    std::ifstream in;
    if (!real.empty()) in.open(real, std::ios::binary);
    // A missing or unreadable file reads like an empty one: all defaults.
    readSettings(in, data, comport);
}

void initsave(const ProgramData& data, int16_t comport) {
    replaceFile(existingPathOr(settingsPath(data.programDir)), formatSettings(data, comport));
}

}  // namespace rumblet
