#include "win32_test_support.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>

#include "window/win32/control_binding.h"

namespace rumblet::win32test {

namespace {

std::map<UINT_PTR, std::function<void()>>& pending() {
    static std::map<UINT_PTR, std::function<void()>> actions;
    return actions;
}

void CALLBACK runPending(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto found = pending().find(id);
    if (found == pending().end()) return;
    auto action = std::move(found->second);
    pending().erase(found);
    action();
}

std::vector<MessageBoxAnswerer*>& answerers() {
    static std::vector<MessageBoxAnswerer*> all;
    return all;
}

BOOL CALLBACK answer(HWND hwnd, LPARAM) {
    wchar_t name[16] = L"";
    GetClassNameW(hwnd, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
    ShownBox box{win32skin::windowText(hwnd), win32skin::windowText(GetDlgItem(hwnd, 0xFFFF))};
    for (MessageBoxAnswerer* answerer : answerers()) answerer->shown.push_back(box);
    PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

}  // namespace

void runInMessageLoop(std::function<void()> action, UINT ms) {
    const UINT_PTR id = SetTimer(nullptr, 0, ms, runPending);
    pending()[id] = std::move(action);
}

void pumpFor(UINT ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
}

MessageBoxAnswerer::MessageBoxAnswerer() : timer_(SetTimer(nullptr, 0, 30, look)) { answerers().push_back(this); }

MessageBoxAnswerer::~MessageBoxAnswerer() {
    KillTimer(nullptr, timer_);
    std::erase(answerers(), this);
}

void CALLBACK MessageBoxAnswerer::look(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), answer, 0);
}

win32skin::Place placeInParent(HWND hwnd) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return win32skin::Place{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

SIZE clientSize(HWND hwnd) {
    RECT rect;
    GetClientRect(hwnd, &rect);
    return SIZE{rect.right, rect.bottom};
}

ScratchFolder::ScratchFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("rumblet-win32-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeWave(const std::filesystem::path& file, int frames, int rate) {
    const auto dataBytes = static_cast<uint32_t>(frames * 2);
    std::ofstream out(file, std::ios::binary);
    const auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + dataBytes);
    out << "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * 2));
    u16(2);
    u16(16);
    out << "data";
    u32(dataBytes);
    for (int i = 0; i < frames; ++i)
        u16(static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(i * 0.05))));
}

}  // namespace rumblet::win32test
