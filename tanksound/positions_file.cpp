#include "tanksound/positions_file.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "programdata/replace_file.h"
#include "tanksound/sound_engine.h"
#include "tanksound/sound_paths.h"
#include "programdata/text_values.h"

namespace rumblet {

namespace {

constexpr size_t REPLACED_SUFFIX_CHARS = 3;
constexpr const char* POSITIONS_SUFFIX = "dat";

void clearPositions(std::array<segment, 6>& positions) { positions.fill(segment{}); }

// The positions path of a controller's engine sound in the sound folder.
// Empty when the name is too short to give one; only called for names that
// name a sound file (not "leer", not unsafe).
std::string mainPositionsPath(const ProgramData& data, const controller& c) {
    const std::string name = positionsPathFor(c.enginesound.file);
    if (name.empty()) return {};
    return soundPath(data.programDir, SoundCategory::Engine, name);
}

}  // namespace

std::string positionsPathFor(const std::string& soundNameOrPath) {
    // A bare name of three characters or fewer keeps nothing of itself: it
    // has no positions file instead of one called "dat".
    const auto slash = soundNameOrPath.find_last_of('/');
    const size_t nameChars =
        slash == std::string::npos ? soundNameOrPath.size() : soundNameOrPath.size() - slash - 1;
    if (nameChars <= REPLACED_SUFFIX_CHARS) return {};
    return soundNameOrPath.substr(0, soundNameOrPath.size() - REPLACED_SUFFIX_CHARS) +
           POSITIONS_SUFFIX;
}

void readPositions(std::istream& in, std::array<segment, 6>& positions) {
    clearPositions(positions);
    skipByteOrderMark(in);
    NumberReader numbers(in);
    for (segment& s : positions) {
        if (!numbers.next(s.start) || !numbers.next(s.end)) return;
    }
}

std::string formatPositions(const std::array<segment, 6>& positions) {
    std::string text;
    for (const segment& s : positions) {
        text += formatNumberLine(s.start);
        text += formatNumberLine(s.end);
    }
    return text;
}

std::string readPositionsFile(ProgramData& data, const std::string& path,
                              std::array<segment, 6>& positions) {
    clearPositions(positions);
    if (path.empty()) return {};
    std::string content;
    std::string problem = readProgramFile(data, path, content);
    std::istringstream in(content);
    readPositions(in, positions);
    return problem;
}

void readPositionsFile(const std::string& path, std::array<segment, 6>& positions) {
    ProgramData scratch;
    readPositionsFile(scratch, path, positions);
}

void writePositionsFile(const std::string& path, const std::array<segment, 6>& positions) {
    replaceFile(existingPathOr(path), formatPositions(positions));
}

std::vector<std::string> posladen(ProgramData& data) {
    std::vector<std::string> problems;
    for (controller& c : data.controllers) {
        // Without an engine sound the positions stay as they are.
        if (!namesSoundFile(c.enginesound.file)) continue;
        std::string problem = readPositionsFile(data, mainPositionsPath(data, c), c.positions);
        if (!problem.empty()) problems.push_back(std::move(problem));
    }
    return problems;
}

bool sameEngineSound(const controller& a, const controller& b) {
    return equalsNoCase(a.enginesound.file, b.enginesound.file);
}

int16_t sharingController(const ProgramData& data, int16_t c) {
    if (c < 0 || c >= CONTROLLER_COUNT) return -1;
    const controller& mine = data.controllers[static_cast<size_t>(c)];
    if (!namesSoundFile(mine.enginesound.file)) return -1;
    for (int16_t other = 0; other < CONTROLLER_COUNT; ++other) {
        if (other != c && sameEngineSound(data.controllers[static_cast<size_t>(other)], mine)) return other;
    }
    return -1;
}

void sharePositions(ProgramData& data, int16_t c) {
    if (c < 0 || c >= CONTROLLER_COUNT) return;
    const controller& mine = data.controllers[static_cast<size_t>(c)];
    if (!namesSoundFile(mine.enginesound.file)) return;
    for (controller& other : data.controllers) {
        if (&other != &mine && sameEngineSound(other, mine)) other.positions = mine.positions;
    }
}

void possave(ProgramData& data) {
    // One file that cannot be written does not keep the others from being
    // saved; all failures are reported together at the end, each file once.
    std::string failures;
    bool unsaved = false;
    const auto& all = data.controllers;
    for (size_t n = 0; n < all.size(); ++n) {
        const controller& c = all[n];
        if (!namesSoundFile(c.enginesound.file)) continue;
        // A shared sound's file is written once, with the last sharer's
        // positions (the same as the others' after an edit).
        if (std::any_of(all.begin() + static_cast<std::ptrdiff_t>(n) + 1, all.end(),
                        [&](const controller& later) { return sameEngineSound(later, c); }))
            continue;
        // No positions file beside a sound that is not there.
        if (fileda(soundPath(data.programDir, SoundCategory::Engine, c.enginesound.file)) <= 0) continue;
        const std::string path = mainPositionsPath(data, c);
        if (path.empty()) continue;
        try {
            refuseUnreadable(data, existingPathOr(path));
            const std::string text = formatPositions(c.positions);
            const bool mayWrite = mayWriteProgramFile(data, existingPathOr(path), [&text](const std::string& present) {
                std::istringstream in(present);
                std::array<segment, 6> read{};
                readPositions(in, read);
                return formatPositions(read) == text;
            });
            if (mayWrite) writePositionsFile(path, c.positions);
        } catch (const std::runtime_error& e) {
            unsaved = true;
            if (!failures.empty() && *e.what() != '\0') failures += '\n';
            failures += e.what();
        }
    }
    data.positionsUnsaved = unsaved;
    if (unsaved) throw std::runtime_error(failures);
}

std::string posladenEditor(ProgramData& data, std::string& path, int16_t c) {
    path = positionsPathFor(path);
    if (c < 0 || c >= CONTROLLER_COUNT) return {};
    return readPositionsFile(data, path, data.controllers[static_cast<size_t>(c)].positions);
}

}  // namespace rumblet
