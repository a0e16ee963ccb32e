// The port library bound by name: the library is loaded from the program's
// own folder, or by its versioned name from the system's library path, at
// the first call of any of its functions, and each function is
// looked up at its own first call. A missing library or function raises the
// program's standard run-time error with a message naming it, never a crash;
// only the edge functions are optional: a library without them records no
// edges, and the receiver's line is polled.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/dynamic_library.h"
#include "app/port_functions.h"

namespace rumblet {

using LibraryLoader = std::function<std::unique_ptr<DynamicLibrary>(const std::string& path)>;

// The port library's path: its file in the program's folder when there is
// one (the build tree, an unpacked copy), else its versioned name, which the
// system looks up in its library path (an installed copy).
std::string portLibraryPath();

class BoundPortLibrary final : public PortFunctions {
public:
    explicit BoundPortLibrary(std::string path = portLibraryPath(),
                              LibraryLoader load = loadDynamicLibrary);

    int32_t OPENCOM(const char* mode) override;
    int32_t CLOSECOM() override;
    void SENDBYTE(int32_t value) override;
    int32_t READBYTE() override;
    void DTR(int32_t flag) override;
    void RTS(int32_t flag) override;
    void TXD(int32_t flag) override;
    int32_t CTS() override;
    int32_t DSR() override;
    int32_t RI() override;
    int32_t DCD() override;
    void DELAY(int32_t ms) override;
    void TIMEINIT() override;
    void TIMEINITUS() override;
    int32_t TIMEREAD() override;
    int32_t TIMEREADUS() override;
    void DELAYUS(int32_t us) override;
    void REALTIME(int32_t flag) override;
    int32_t EDGES() override;
    int32_t EDGEREAD(int32_t* time) override;
    int32_t EDGEWAIT(int32_t ms) override;

    // The names bound, in the order of the interface.
    static constexpr int FUNCTION_COUNT = 18;
    static const std::array<const char*, FUNCTION_COUNT>& functionNames();
    // The optional ones, looked up once; a missing one stays missing.
    static constexpr int OPTIONAL_COUNT = 3;

private:
    void* bind(int index);
    void* bindOptional(int index);
    template <typename Fn>
    Fn function(int index);

    std::string path_;
    LibraryLoader load_;
    std::unique_ptr<DynamicLibrary> library_;
    std::array<void*, FUNCTION_COUNT> bound_{};
    std::array<void*, OPTIONAL_COUNT> optional_{};
    std::array<bool, OPTIONAL_COUNT> optionalLooked_{};
};

}  // namespace rumblet
