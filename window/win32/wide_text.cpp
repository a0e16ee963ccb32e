#include "window/win32/wide_text.h"

#include <windows.h>

#include "sound/win32/utf8_win32.h"

namespace rumblet::win32skin {

std::wstring toWide(const std::string& text) {
    std::wstring wide;
    if (wideFromUtf8(text, wide)) return wide;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    wide.resize(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string fromWide(const std::wstring& text) { return utf8FromWide(text); }

}  // namespace rumblet::win32skin
