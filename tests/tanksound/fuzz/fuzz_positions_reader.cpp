// Any bytes as a positions file: the reader takes up to twelve numbers and
// what it read is written and read back to the same positions.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tanksound/positions_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::array<rumblet::segment, 6> first;
    rumblet::readPositions(in, first);

    std::istringstream written(rumblet::formatPositions(first));
    std::array<rumblet::segment, 6> second;
    rumblet::readPositions(written, second);
    for (size_t i = 0; i < first.size(); ++i) {
        if (first[i].start != second[i].start || first[i].end != second[i].end) std::abort();
    }
    return 0;
}
