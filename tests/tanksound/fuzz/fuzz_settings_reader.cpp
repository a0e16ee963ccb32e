// Any bytes as IR.ini: the reader fills every value, and what it read is
// written and read back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tanksound/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    rumblet::ProgramData first;
    int16_t port = 0;
    rumblet::readSettings(in, first, port);
    const std::string written = rumblet::formatSettings(first, port);

    std::istringstream again(written);
    rumblet::ProgramData second;
    int16_t portAgain = 0;
    rumblet::readSettings(again, second, portAgain);
    if (rumblet::formatSettings(second, portAgain) != written) std::abort();
    return 0;
}
