#include "app/bound_port.h"

#include <bit>
#include <filesystem>

#include "app/runtime_error.h"
#include "port/port.h"

namespace rumblet {

namespace {

// Index of each function in `functionNames`, the order of the interface.
enum Index : int {
    I_OPENCOM, I_CLOSECOM, I_SENDBYTE, I_READBYTE, I_DTR, I_RTS, I_TXD, I_CTS, I_DSR,
    I_RI, I_DCD, I_DELAY, I_TIMEINIT, I_TIMEINITUS, I_TIMEREAD, I_TIMEREADUS, I_DELAYUS,
    I_REALTIME,
};

const std::array<const char*, BoundPortLibrary::FUNCTION_COUNT> NAMES = {
    "OPENCOM", "CLOSECOM", "SENDBYTE", "READBYTE", "DTR", "RTS", "TXD", "CTS", "DSR",
    "RI", "DCD", "DELAY", "TIMEINIT", "TIMEINITUS", "TIMEREAD", "TIMEREADUS", "DELAYUS",
    "REALTIME",
};

enum OptionalIndex : int { I_EDGES, I_EDGEREAD, I_EDGEWAIT };
const std::array<const char*, BoundPortLibrary::OPTIONAL_COUNT> OPTIONAL_NAMES = {"EDGES", "EDGEREAD", "EDGEWAIT"};

}  // namespace

std::string portLibraryPath() {
    const std::string beside = programFolder() + "/" + portLibraryFileName();
    return std::filesystem::exists(beside) ? beside : portLibrarySystemName();
}

const std::array<const char*, BoundPortLibrary::FUNCTION_COUNT>& BoundPortLibrary::functionNames() {
    return NAMES;
}

BoundPortLibrary::BoundPortLibrary(std::string path, LibraryLoader load)
    : path_(std::move(path)), load_(std::move(load)) {}

void* BoundPortLibrary::bind(int index) {
    if (bound_[index]) return bound_[index];
    if (!library_) library_ = load_(path_);
    void* found = library_->find(NAMES[index]);
    if (!found) {
        throw RuntimeError(std::string("The library ") + path_ + " has no function " +
                           NAMES[index] + ".");
    }
    bound_[index] = found;
    return found;
}

void* BoundPortLibrary::bindOptional(int index) {
    if (!optionalLooked_[index]) {
        if (!library_) library_ = load_(path_);
        optional_[index] = library_->find(OPTIONAL_NAMES[index]);
        optionalLooked_[index] = true;
    }
    return optional_[index];
}

// The function's type comes from the library's own header, calling
// convention included (PORT_CALL: stdcall in 32-bit Windows code), so a
// changed signature there cannot go unnoticed here.
template <typename Fn>
Fn BoundPortLibrary::function(int index) {
    return std::bit_cast<Fn>(bind(index));
}

int32_t BoundPortLibrary::OPENCOM(const char* mode) { return function<decltype(&::OPENCOM)>(I_OPENCOM)(mode); }
int32_t BoundPortLibrary::CLOSECOM() { return function<decltype(&::CLOSECOM)>(I_CLOSECOM)(); }
void BoundPortLibrary::SENDBYTE(int32_t value) { function<decltype(&::SENDBYTE)>(I_SENDBYTE)(value); }
int32_t BoundPortLibrary::READBYTE() { return function<decltype(&::READBYTE)>(I_READBYTE)(); }
void BoundPortLibrary::DTR(int32_t flag) { function<decltype(&::DTR)>(I_DTR)(flag); }
void BoundPortLibrary::RTS(int32_t flag) { function<decltype(&::RTS)>(I_RTS)(flag); }
void BoundPortLibrary::TXD(int32_t flag) { function<decltype(&::TXD)>(I_TXD)(flag); }
int32_t BoundPortLibrary::CTS() { return function<decltype(&::CTS)>(I_CTS)(); }
int32_t BoundPortLibrary::DSR() { return function<decltype(&::DSR)>(I_DSR)(); }
int32_t BoundPortLibrary::RI() { return function<decltype(&::RI)>(I_RI)(); }
int32_t BoundPortLibrary::DCD() { return function<decltype(&::DCD)>(I_DCD)(); }
void BoundPortLibrary::DELAY(int32_t ms) { function<decltype(&::DELAY)>(I_DELAY)(ms); }
void BoundPortLibrary::TIMEINIT() { function<decltype(&::TIMEINIT)>(I_TIMEINIT)(); }
void BoundPortLibrary::TIMEINITUS() { function<decltype(&::TIMEINITUS)>(I_TIMEINITUS)(); }
int32_t BoundPortLibrary::TIMEREAD() { return function<decltype(&::TIMEREAD)>(I_TIMEREAD)(); }
int32_t BoundPortLibrary::TIMEREADUS() { return function<decltype(&::TIMEREADUS)>(I_TIMEREADUS)(); }
void BoundPortLibrary::DELAYUS(int32_t us) { function<decltype(&::DELAYUS)>(I_DELAYUS)(us); }
void BoundPortLibrary::REALTIME(int32_t flag) { function<decltype(&::REALTIME)>(I_REALTIME)(flag); }

int32_t BoundPortLibrary::EDGES() {
    void* found = bindOptional(I_EDGES);
    return found ? std::bit_cast<decltype(&::EDGES)>(found)() : PortFunctions::EDGES();
}
int32_t BoundPortLibrary::EDGEREAD(int32_t* time) {
    void* found = bindOptional(I_EDGEREAD);
    return found ? std::bit_cast<decltype(&::EDGEREAD)>(found)(time) : PortFunctions::EDGEREAD(time);
}
int32_t BoundPortLibrary::EDGEWAIT(int32_t ms) {
    void* found = bindOptional(I_EDGEWAIT);
    return found ? std::bit_cast<decltype(&::EDGEWAIT)>(found)(ms) : PortFunctions::EDGEWAIT(ms);
}

}  // namespace rumblet
