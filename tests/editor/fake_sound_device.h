// A sound device that plays nothing and writes down every call, so tests can
// check what the editor did to its preview and in which order.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sound/sound_device.h"

namespace rumblet::testing {

struct CallLog {
    std::vector<std::string> calls;
    void add(const std::string& c) { calls.push_back(c); }
};

class FakeBuffer : public SoundBuffer {
public:
    FakeBuffer(std::string name, int32_t bytes, std::shared_ptr<CallLog> log)
        : name_(std::move(name)), bytes_(bytes), log_(std::move(log)) {}
    ~FakeBuffer() override { log_->add(name_ + " released"); }

    void Play(int32_t flags) override {
        playing = true;
        looping = flags == DSBPLAY_LOOPING;
        log_->add(name_ + " Play(" + std::to_string(flags) + ")");
    }
    void Stop() override {
        playing = false;
        log_->add(name_ + " Stop");
    }
    int32_t GetStatus() const override { return playing ? 1 : 0; }
    void SetCurrentPosition(int32_t bytes) override {
        position = bytes;
        log_->add(name_ + " SetCurrentPosition(" + std::to_string(bytes) + ")");
    }
    void GetCurrentPosition(int32_t& playCursor, int32_t& writeCursor) const override {
        playCursor = position;
        writeCursor = position;
    }
    void SetVolume(int32_t v) override {
        volume = v;
        log_->add(name_ + " SetVolume(" + std::to_string(v) + ")");
    }
    void SetFrequency(int32_t hz) override { frequency = hz; }
    int32_t GetFrequency() const override { return frequency; }
    int32_t GetBufferBytes() const override { return bytes_; }

    const std::string& name() const { return name_; }

    bool playing = false;
    bool looping = false;
    int32_t position = 0;
    int32_t volume = 0;
    int32_t frequency = 22050;

private:
    std::string name_;
    int32_t bytes_;
    std::shared_ptr<CallLog> log_;
};

// Buffers are named by the file's name without folder. Every file loads with
// `defaultBytes` unless `bytes` names it; names in `unreadable` fail as a
// damaged wave file does.
class FakeSoundDevice : public SoundDevice {
public:
    explicit FakeSoundDevice(std::shared_ptr<CallLog> log) : log_(std::move(log)) {}

    std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path) override {
        std::string name = path.substr(path.find_last_of('/') + 1);
        log_->add("load " + name);
        if (unreadable.count(name)) throw SoundError(-2147024809, "not a wave file: " + path);
        auto it = bytes.find(name);
        auto buffer = std::make_unique<FakeBuffer>(name, it == bytes.end() ? defaultBytes : it->second, log_);
        lastBuffer = buffer.get();
        loadedPaths.push_back(path);
        return buffer;
    }

    std::map<std::string, int32_t> bytes;
    std::set<std::string> unreadable;
    int32_t defaultBytes = 1000;
    FakeBuffer* lastBuffer = nullptr;  // the last buffer made; may be released
    std::vector<std::string> loadedPaths;

private:
    std::shared_ptr<CallLog> log_;
};

}  // namespace rumblet::testing
