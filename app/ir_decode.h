// Reading the fields of a captured IR frame.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rumblet {

// Elements anfang to ende of `bits` as a binary number, bits[anfang] most
// significant; 0 when anfang > ende. An index outside 0-17 is a programming
// error and raises the standard run-time error.
int16_t bitzudez(const std::array<int16_t, 18>& bits, int16_t anfang, int16_t ende);

// The raw bits for the diagnostic display: a blank and the digit of each bit,
// 36 characters lined up under the ruler " 0 1 2 ... 7".
std::string diagnosticText(const std::array<int16_t, 18>& bits);

}  // namespace rumblet
