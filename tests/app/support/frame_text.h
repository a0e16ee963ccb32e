// IR frames written as text in the tests: "0 10 10101 00011 0000 p", one
// digit per bit, bit 0 first, blanks for readability; a final 'p' stands
// for the parity bit that makes the count of 1 bits even.
#pragma once

#include <stdexcept>
#include <string>

#include "irframe/irframe.h"

namespace rumblet::testing {

inline irframe::IrFrame frameOf(const std::string& text) {
    irframe::IrFrame frame{};
    int i = 0;
    bool parity = false;
    for (char ch : text) {
        if (ch == ' ') continue;
        if (i >= irframe::FRAME_BITS) throw std::invalid_argument("too many bits: " + text);
        if (ch == 'p') {
            parity = true;
            ++i;
            continue;
        }
        frame[i++] = ch == '1' ? 1 : 0;
    }
    if (i != irframe::FRAME_BITS) throw std::invalid_argument("need 18 bits: " + text);
    if (parity) irframe::setParity(frame);
    return frame;
}

}  // namespace rumblet::testing
