#include "timing.h"

#include <cmath>
#include <limits>

#include "fault.h"

namespace port {

double roundHalfEven(double x) {
    const double down = std::floor(x);
    const double fraction = x - down;
    if (fraction < 0.5) return down;
    if (fraction > 0.5) return down + 1.0;
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

void Timing::delay(int32_t ms) {
    if (ms < 0) raise(Fault::range);
    const uint32_t wait = static_cast<uint32_t>(ms);
    const uint32_t start = system_.milliseconds();
    // Unsigned difference: a wait across the clock's wrap lasts as long as
    // any other.
    while (static_cast<uint32_t>(system_.milliseconds() - start) < wait) {
    }
}

void Timing::startMilliseconds() { millisecondBase_ = system_.milliseconds(); }

int32_t Timing::readMilliseconds() {
    const uint32_t elapsed = system_.milliseconds() - millisecondBase_;
    if (elapsed > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) raise(Fault::range);
    return static_cast<int32_t>(elapsed);
}

void Timing::startMicroseconds() {
    const int64_t frequency = system_.counterFrequency();
    // Without a running counter there is no microsecond stopwatch; the
    // start fails rather than leave a factor that turns every read into
    // infinity or NaN.
    if (frequency <= 0) raise(Fault::range);
    secondsPerCount_ = 1.0 / static_cast<double>(frequency);
    counterBase_ = system_.counter();
}

int32_t Timing::readMicroseconds() { return microsecondsAt(system_.counter()); }

int32_t Timing::microsecondsAt(int64_t counter) const {
    const int64_t diff = checkedSub(counter, counterBase_);
    const double us = roundHalfEven(static_cast<double>(diff) * secondsPerCount_ * 1000000.0);
    // Checked as a double: converting one outside the target's range is
    // undefined.
    if (!(us >= std::numeric_limits<int32_t>::min() && us <= std::numeric_limits<int32_t>::max()))
        raise(Fault::range);
    return static_cast<int32_t>(us);
}

int32_t Timing::wrappedMicrosecondsAt(int64_t counter) const {
    // The difference wraps rather than stops: no moment of a recorded edge
    // may make its reading fail.
    const int64_t diff = static_cast<int64_t>(static_cast<uint64_t>(counter) - static_cast<uint64_t>(counterBase_));
    const double us = roundHalfEven(static_cast<double>(diff) * secondsPerCount_ * 1000000.0);
    // fmod is exact, so the remainder is the reading's low 32 bits.
    const double low = std::fmod(us, 4294967296.0);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(low)));
}

void Timing::delayMicroseconds(int32_t us) {
    startMicroseconds();
    while (readMicroseconds() < us) {
    }
}

void Timing::realtime(int32_t flag) {
    system_.setPriorityClass(flag != 0 ? PriorityClass::realtime : PriorityClass::normal);
}

}  // namespace port
