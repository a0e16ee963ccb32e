// A wave system that records every step it is asked for and answers each
// with a result the test chose; boxes that record what they were shown.
// Like the system's, it keeps a buffer handed to the device queued until
// the device is done with it or reset, and refuses to unprepare its header
// or close the device meanwhile.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "wave_system.h"

namespace port::testing {

class FakeWaveSystem : public WaveSystem {
public:
    std::vector<std::string> calls;
    std::map<std::string, WaveResult> results;  // step name -> result, default 0
    std::map<WaveDirection, uint32_t> devices{{WaveDirection::capture, 1}, {WaveDirection::playback, 1}};
    WaveCapabilities caps;
    WaveResult capsResult = 0;
    bool finishAtStart = true;  // the callback comes before start returns
    std::atomic<bool> started{false};

    WaveFormat queried{}, opened{};
    WaveHeader prepared{};
    std::atomic<bool>* busy = nullptr;
    bool headerPrepared = false;
    std::atomic<bool> headerQueued{false};
    static constexpr WaveResult stillPlaying = 33;

    void finish() {
        headerQueued.store(false);
        busy->store(false);
    }

    uint32_t deviceCount(WaveDirection d) override { return devices[d]; }
    WaveResult capabilities(WaveDirection, WaveCapabilities& c) override {
        c = caps;
        return capsResult;
    }
    WaveResult queryFormat(WaveDirection d, const WaveFormat& f) override {
        queried = f;
        return step("query", d);
    }
    WaveResult open(WaveDirection d, const WaveFormat& f, std::atomic<bool>& b, WaveHandle& h) override {
        opened = f;
        busy = &b;
        const WaveResult r = step("open", d);
        if (r == 0) h = 0x5150;
        return r;
    }
    void lock(void*, uint32_t bytes) override { calls.push_back("lock " + std::to_string(bytes)); }
    void unlock(void*, uint32_t bytes) override { calls.push_back("unlock " + std::to_string(bytes)); }
    WaveResult prepare(WaveDirection d, WaveHandle, const WaveHeader& h) override {
        prepared = h;
        const WaveResult r = step("prepare", d);
        headerPrepared = r == 0;
        return r;
    }
    WaveResult addBuffer(WaveHandle) override {
        const WaveResult r = step("add", WaveDirection::capture);
        if (r == 0) headerQueued.store(true);
        return r;
    }
    WaveResult start(WaveDirection d, WaveHandle) override {
        const WaveResult r = step(d == WaveDirection::capture ? "start" : "write", d);
        if (r == 0 && d == WaveDirection::playback) headerQueued.store(true);
        if (r == 0 && finishAtStart) finish();
        started.store(true);
        return r;
    }
    WaveResult stopCapture(WaveHandle) override { return step("stop", WaveDirection::capture); }
    WaveResult unprepare(WaveDirection d, WaveHandle) override {
        const WaveResult r = step("unprepare", d);
        if (headerQueued) return stillPlaying;
        if (r == 0) headerPrepared = false;
        return r;
    }
    WaveResult resetCapture(WaveHandle) override {
        headerQueued.store(false);
        return step("reset", WaveDirection::capture);
    }
    WaveResult close(WaveDirection d, WaveHandle) override {
        const WaveResult r = step("close", d);
        return headerQueued ? stillPlaying : r;
    }
    std::string errorText(WaveDirection d, WaveResult r) override {
        return (d == WaveDirection::capture ? "in error " : "out error ") + std::to_string(r);
    }

private:
    WaveResult step(const std::string& name, WaveDirection d) {
        calls.push_back(name + (d == WaveDirection::capture ? " in" : " out"));
        const auto it = results.find(name);
        return it == results.end() ? 0 : it->second;
    }
};

struct ShownBox {
    std::string kind, caption, text;
    bool operator==(const ShownBox&) const = default;
};

class RecordingBoxes : public MessageBoxes {
public:
    std::vector<ShownBox> shown;
    void showError(const std::string& caption, const std::string& text) override {
        shown.push_back({"error", caption, text});
    }
    void showInformation(const std::string& caption, const std::string& text) override {
        shown.push_back({"information", caption, text});
    }
};

}  // namespace port::testing
