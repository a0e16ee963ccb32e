// Range, overflow and conversion errors of the library's guarded arithmetic.
//
// A fault stops the call where it happens: the group code throws, and the
// export wrapper catches it, records it for PORTERROR and returns the
// export's "nothing" value. No fault ever leaves an exported function.
#pragma once

#include <cstdint>
#include <limits>
#include <new>

namespace port {

// The codes PORTERROR gives (PORT_ERROR_* in port.h).
enum class Fault : int32_t {
    none = 0,
    range = 1,
    overflow = 2,
    conversion = 3,
    accessRefused = 4,
    outOfMemory = 5,  // an allocation failed
    internal = 6,     // any other exception
};

struct FaultError {
    Fault fault;
};

[[noreturn]] inline void raise(Fault f) { throw FaultError{f}; }

void recordFault(Fault f) noexcept;
Fault takeLastFault() noexcept;

// Runs one export's body; whatever stops it becomes `nothing` plus the
// recorded reason.
template <class R, class Body>
R guarded(R nothing, Body&& body) noexcept {
    try {
        return body();
    } catch (const FaultError& e) {
        recordFault(e.fault);
    } catch (const std::bad_alloc&) {
        recordFault(Fault::outOfMemory);
    } catch (...) {
        recordFault(Fault::internal);
    }
    return nothing;
}

template <class Body>
void guarded(Body&& body) noexcept {
    guarded(0, [&] {
        body();
        return 0;
    });
}

// A 64-bit intermediate that must fit a signed 32-bit result.
inline int32_t toInt32(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        raise(Fault::range);
    return static_cast<int32_t>(v);
}

inline int64_t checkedSub(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r)) raise(Fault::overflow);
    return r;
}

inline int64_t checkedMul(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r)) raise(Fault::overflow);
    return r;
}

}  // namespace port
