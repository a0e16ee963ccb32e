#include "modem_line_watch.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace port {

namespace {

LineLook firstLook(LineWatchSystem& system) {
    LineLook look;
    system.look(look);
    return look;
}

}  // namespace

ModemLineWatch::ModemLineWatch(LineWatchSystem& system)
    : system_(system),
      start_(firstLook(system)),
      record_(EdgeSourceKind::watcher, system.now(), [this] { return completeNow(); }),
      high_(start_.high),
      changes_(start_.changes) {}

void ModemLineWatch::run() {
    while (step()) {
    }
    ended_ = true;
}

bool ModemLineWatch::step() {
    const LineWatchSystem::Wake wake = system_.wait();
    if (waits_ == Waits::unknown) {
        waits_ = wake == LineWatchSystem::Wake::failed ? Waits::refused : Waits::work;
        if (waits_ == Waits::refused) return false;
    }
    if (stopping_) return false;
    if (wake == LineWatchSystem::Wake::failed || !check(wake == LineWatchSystem::Wake::change)) {
        fail();
        return false;
    }
    return true;
}

bool ModemLineWatch::waitsWork() {
    while (waits_ == Waits::unknown) {
        system_.kick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return waits_ == Waits::work;
}

void ModemLineWatch::stop() {
    stopping_ = true;
    // A kick may come just before the thread enters its wait; it is given
    // again until the thread has seen the stop.
    while (!ended_) {
        system_.kick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool ModemLineWatch::check(bool woken) {
    const int64_t at = system_.now();
    LineLook look;
    uint32_t count = 0;
    bool turned = false;
    for (int i = 0; i < LOOKS; ++i) {
        if (i > 0) system_.pause();
        if (!system_.look(look)) return false;
        count = look.changes - changes_;
        turned = look.high != high_;
        // An odd count turns the level, an even one does not; otherwise a
        // change is still on its way into the driver's count.
        if ((count % 2 == 1) == turned) break;
    }
    if (count == 0 && !turned) {
        record_.completeUntil(at);
        return true;
    }
    if (!(woken && count == 1 && turned)) record_.markLost();
    if (turned) record_.add(at, look.high);
    else record_.completeUntil(at);
    // After the record: a caller that sees the new count before the change
    // is recorded takes the line as not yet known.
    high_ = look.high;
    changes_ = look.changes;
    return true;
}

int64_t ModemLineWatch::completeNow() {
    const int64_t at = system_.now();
    LineLook look;
    if (!system_.look(look)) return INT64_MIN;
    if (look.changes == changes_ && look.high == high_) {
        unrecordedSince_ = INT64_MIN;
        return at;
    }
    if (unrecordedSince_ == INT64_MIN || look.changes != unrecorded_.changes || look.high != unrecorded_.high) {
        unrecorded_ = look;
        unrecordedSince_ = at;
    } else if (at - unrecordedSince_ >= MISSED_AFTER_US * system_.countsPerSecond() / 1'000'000) {
        system_.kick();
    }
    return INT64_MIN;
}

void ModemLineWatch::fail() {
    std::fprintf(stderr, "port: %s\n", system_.failure().c_str());
    record_.markFailed();
}

}  // namespace port
