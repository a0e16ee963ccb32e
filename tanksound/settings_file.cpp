#include "tanksound/settings_file.h"

#include <sstream>
#include <limits>
#include <vector>

#include "programdata/file_system.h"
#include "programdata/replace_file.h"
#include "tanksound/sound_engine.h"
#include "tanksound/sound_paths.h"
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

// The controller and category of the i-th slot in file order.
constexpr size_t SLOTS_PER_CONTROLLER = 3;
int slotOwner(size_t i) { return static_cast<int>(i / SLOTS_PER_CONTROLLER); }
SoundCategory slotCategory(size_t i) {
    if (i >= SLOTS_PER_CONTROLLER * CONTROLLER_COUNT) return SoundCategory::Background;
    return static_cast<SoundCategory>(i % SLOTS_PER_CONTROLLER);
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

std::vector<std::string> readSettings(std::istream& in, ProgramData& data, int16_t& comport) {
    const auto slots = slotsInFileOrder<ProgramData, soundslot>(data);
    for (soundslot* slot : slots) {
        slot->file = EMPTY_SOUND;
        slot->volume = 0;
    }
    comport = 0;

    std::vector<std::string> problems;
    const size_t longest = file_system::maxNameBytes(data.programDir.empty() ? "." : data.programDir);
    skipByteOrderMark(in);
    LineReader lines(in);
    std::string line;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (!lines.next(line)) return problems;
        std::string name = textField(line);
        if (name.size() > longest) {
            problems.push_back("Name zu lang, nicht übernommen: " + slotLabel(slotOwner(i), slotCategory(i)));
            name.clear();
        }
        slots[i]->file = name.empty() ? EMPTY_SOUND : name;
        if (!lines.next(line)) return problems;
        slots[i]->volume = parseLeadingNumber(line);
    }
    if (lines.next(line)) comport = portFromNumber(parseLeadingNumber(line));
    return problems;
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

std::vector<std::string> initladen(ProgramData& data, int16_t& comport) {
    // A missing or unreadable file reads like an empty one: all defaults.
    std::string content;
    const std::string path = settingsPath(data.programDir);
    const std::string unreadable = readProgramFile(data, path, content);
    std::istringstream in(content);
    std::vector<std::string> problems = readSettings(in, data, comport);
    // A refused name would be saved as "leer": the file keeps it instead,
    // as the player wrote it.
    const std::string real = resolvePathNoCase(path);
    if (!problems.empty() && data.unreadableFiles.insert(real).second)
        problems.back() += "\nDie Datei wird nicht überschrieben: " + real;
    if (!unreadable.empty()) problems.insert(problems.begin(), unreadable);
    return problems;
}

void initsave(ProgramData& data, int16_t comport) {
    const std::string path = existingPathOr(settingsPath(data.programDir));
    refuseUnreadable(data, path);
    const std::string text = formatSettings(data, comport);
    // The file holds these settings when reading it gives them back.
    const bool mayWrite = mayWriteProgramFile(data, path, [&text](const std::string& present) {
        std::istringstream in(present);
        ProgramData read;
        int16_t port = 0;
        readSettings(in, read, port);
        return formatSettings(read, port) == text;
    });
    if (mayWrite) replaceFile(path, text);
}

}  // namespace rumblet
