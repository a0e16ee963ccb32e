// Windows: LoadLibraryW/GetProcAddress, and the program's folder from the
// executable's own path. Paths are the program's UTF-8, wide at the edge.
#include "app/dynamic_library.h"

#include <windows.h>

#include "app/runtime_error.h"
#include "window/win32/wide_text.h"

namespace rumblet {

namespace {

class Win32Library final : public DynamicLibrary {
public:
    explicit Win32Library(HMODULE module) : module_(module) {}
    ~Win32Library() override { FreeLibrary(module_); }
    Win32Library(const Win32Library&) = delete;
    Win32Library& operator=(const Win32Library&) = delete;

    void* find(const char* name) override {
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
    }

private:
    HMODULE module_;
};

// The system's text for an error code, without the line end it ends with.
std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return win32skin::fromWide(message);
}

}  // namespace

std::unique_ptr<DynamicLibrary> loadDynamicLibrary(const std::string& path) {
    // No dialog of the system when it cannot be loaded: the message says why.
    std::wstring file = win32skin::toWide(path);
    for (wchar_t& c : file)
        if (c == L'/') c = L'\\';
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const HMODULE module = LoadLibraryW(file.c_str());
    const DWORD error = GetLastError();
    SetErrorMode(oldMode);
    if (!module) throw RuntimeError("Cannot load the library " + path + ": " + systemMessage(error));
    return std::make_unique<Win32Library>(module);
}

std::string programFolder() {
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n == 0) return ".";
        if (n < exe.size()) {
            exe.resize(n);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const auto separator = exe.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return ".";
    return win32skin::fromWide(exe.substr(0, separator));
}

std::string portLibraryFileName() { return "port.dll"; }

// An installed copy finds the library in the system's search path.
std::string portLibrarySystemName() { return "port.dll"; }

}  // namespace rumblet
