// The program's texts are UTF-8; the window system takes UTF-16. Every text
// crosses over here, at the edge, and only the wide (...W) functions of the
// window system are called.
#pragma once

#include <string>

namespace rumblet::win32skin {

// UTF-8 as UTF-16. A text that is no UTF-8 (a file name in the system's
// ANSI code page, as programs of its time wrote them) is read in that code
// page instead, so it shows as it did there.
std::wstring toWide(const std::string& text);

// UTF-16 as UTF-8.
std::string fromWide(const std::wstring& text);

}  // namespace rumblet::win32skin
