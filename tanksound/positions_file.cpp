#include "tanksound/positions_file.h"

#include <fstream>
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

void readPositionsFile(const std::string& path, std::array<segment, 6>& positions) {
    clearPositions(positions);
    if (path.empty() || fileda(path) <= 0) return;
    std::ifstream in(resolvePathNoCase(path), std::ios::binary);
    readPositions(in, positions);
}

void writePositionsFile(const std::string& path, const std::array<segment, 6>& positions) {
    replaceFile(existingPathOr(path), formatPositions(positions));
}

void posladen(ProgramData& data) {
    for (controller& c : data.controllers) {
        // Without an engine sound the positions stay as they are.
        if (!namesSoundFile(c.enginesound.file)) continue;
        readPositionsFile(mainPositionsPath(data, c), c.positions);
    }
}

void possave(const ProgramData& data) {
    // One file that cannot be written does not keep the others from being
    // saved; all failures are reported together at the end.
    std::string failures;
    for (const controller& c : data.controllers) {
        if (!namesSoundFile(c.enginesound.file)) continue;
        const std::string path = mainPositionsPath(data, c);
        if (path.empty()) continue;
        try {
            writePositionsFile(path, c.positions);
        } catch (const std::runtime_error& e) {
            if (!failures.empty()) failures += '\n';
            failures += e.what();
        }
    }
    if (!failures.empty()) throw std::runtime_error(failures);
}

void posladenEditor(ProgramData& data, std::string& path, int16_t c) {
    path = positionsPathFor(path);
    if (c < 0 || c >= CONTROLLER_COUNT) return;
    readPositionsFile(path, data.controllers[static_cast<size_t>(c)].positions);
}

}  // namespace rumblet
