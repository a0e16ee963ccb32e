// Stand-in for the positions file functions until the real ones are built
// into the tree: the same file format, without the careful error handling.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "editor/positions_file.h"

namespace rumblet {

std::string positionsPathFor(const std::string& s) {
    return (s.size() > 3 ? s.substr(0, s.size() - 3) : std::string{}) + "dat";
}

void readPositionsFile(const std::string& path, std::array<segment, 6>& positions) {
    positions = {};
    std::string real = resolvePathNoCase(path);
    if (real.empty() || fileda(real) <= 0) return;
    std::ifstream in(real);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    for (char& ch : all)
        if (ch == ',' || ch == '\r') ch = ' ';
    std::istringstream numbers(all);
    for (auto& seg : positions)
        if (!(numbers >> seg.start >> seg.end)) break;
}

void writePositionsFile(const std::string& path, const std::array<segment, 6>& positions) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    for (const auto& seg : positions)
        for (int32_t v : {seg.start, seg.end})
            out << (v < 0 ? "-" : " ") << (v < 0 ? -static_cast<int64_t>(v) : v) << " \r\n";
    if (!out) throw std::runtime_error("cannot write " + path);
}

void possave(const ProgramData& data) {
    for (const auto& c : data.controllers) {
        if (isEmptySoundName(c.enginesound.file)) continue;
        writePositionsFile(data.programDir + "/dsound/" + positionsPathFor(c.enginesound.file), c.positions);
    }
}

void posladenEditor(ProgramData& data, std::string& path, int16_t c) {
    path = positionsPathFor(path);
    readPositionsFile(path, data.controllers[c].positions);
}

}  // namespace rumblet
