#include "window/win32/wide_text.h"

#include <windows.h>

namespace rumblet::win32skin {

namespace {

std::wstring decode(UINT codePage, DWORD flags, const std::string& text) {
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
    return wide;
}

}  // namespace

std::wstring toWide(const std::string& text) {
    if (text.empty()) return {};
    std::wstring wide = decode(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    return wide.empty() ? decode(CP_ACP, 0, text) : wide;
}

std::string fromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

}  // namespace rumblet::win32skin
