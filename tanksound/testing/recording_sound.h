// A recording fake of the sound device for tests of every area that meets
// the sound engine: the receive path, the main window, the sound editor.
//
// The fake system, its devices and buffers share one SoundLog. Every buffer
// operation is written to the log as text ("Play(0)", "SetCurrentPosition(
// 3000)", "GetStatus()") and acts on a small simulated state (playing,
// looping, position, frequency, volume), so the code under test sees the
// answers a real buffer would give. Nothing plays: a test moves a buffer's
// play cursor itself (setPlayCursor, playOn) to stand for time passing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "programdata/program_data.h"
#include "sound/sound_device.h"

namespace rumblet::testing {

struct RecordedCall {
    const SoundBuffer* buffer;
    std::string file;  // path the buffer was loaded from
    std::string call;  // "SetFrequency(7962)"
};

// What a recording buffer is made of when a file is loaded.
struct FakeSound {
    int32_t frequency = 11025;
    int32_t bytes = 100000;
};

class SoundLog {
public:
    std::vector<RecordedCall> calls;
    std::vector<std::string> loads;  // paths given to CreateSoundBufferFromFile
    int devicesCreated = 0;

    // DirectSoundCreate throws this when set.
    std::optional<SoundError> createFailure;
    // Files (by name without folder) whose loading throws SoundError.
    std::set<std::string> damagedFiles;
    // The sound a file (by name without folder) gives; others get `standard`.
    std::map<std::string, FakeSound> sounds;
    FakeSound standard;

    // The calls on one buffer, in order.
    std::vector<std::string> callsOn(const SoundBuffer* buffer) const;
    // The same without the queries (GetStatus, GetCurrentPosition,
    // GetFrequency, GetBufferBytes): what changes the sound.
    std::vector<std::string> actionsOn(const SoundBuffer* buffer) const;
    void clear() { calls.clear(); }
};

class RecordingSoundBuffer : public SoundBuffer {
public:
    // `wave`: the file's samples where it is a real wave, for views of the
    // sound; none for files that only stand for a sound.
    RecordingSoundBuffer(std::shared_ptr<SoundLog> log, std::string file, FakeSound sound,
                         std::shared_ptr<const WaveData> wave = nullptr);

    void Play(int32_t flags) override;
    void Stop() override;
    int32_t GetStatus() const override;
    void SetCurrentPosition(int32_t bytes) override;
    void GetCurrentPosition(int32_t& playCursor, int32_t& writeCursor) const override;
    void SetVolume(int32_t hundredthsOfDecibel) override;
    void SetFrequency(int32_t hz) override;
    int32_t GetFrequency() const override;
    int32_t GetBufferBytes() const override;
    std::shared_ptr<const WaveData> decodedSound() const override { return wave_; }

    // Stand-ins for time passing; not recorded.
    void setPlayCursor(int32_t bytes) { position_ = bytes; }
    // Plays `bytes` further: a buffer played once that runs past its end
    // stops and rewinds to 0, a looping one wraps. Only while playing.
    void playOn(int32_t bytes);

    bool playing() const { return playing_; }
    bool looping() const { return looping_; }
    int32_t position() const { return position_; }
    int32_t frequency() const { return frequency_; }
    int32_t volume() const { return volume_; }
    const std::string& file() const { return file_; }

private:
    void record(const std::string& call) const;

    std::shared_ptr<SoundLog> log_;
    std::string file_;
    std::shared_ptr<const WaveData> wave_;
    int32_t bytes_;
    int32_t frequency_;
    int32_t volume_ = 0;
    int32_t position_ = 0;
    bool playing_ = false;
    bool looping_ = false;
};

class RecordingSoundDevice : public SoundDevice {
public:
    explicit RecordingSoundDevice(std::shared_ptr<SoundLog> log) : log_(std::move(log)) {}
    std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const std::string& path) override;

private:
    std::shared_ptr<SoundLog> log_;
};

class RecordingSoundSystem : public SoundSystem {
public:
    explicit RecordingSoundSystem(std::shared_ptr<SoundLog> log) : log_(std::move(log)) {}
    std::unique_ptr<SoundDevice> DirectSoundCreate() override;

private:
    std::shared_ptr<SoundLog> log_;
};

// The recording buffer of a slot; null when the slot has none (or holds a
// buffer of another kind).
RecordingSoundBuffer* recorded(const soundslot& slot);

}  // namespace rumblet::testing
