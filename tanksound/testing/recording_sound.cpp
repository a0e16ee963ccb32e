#include "tanksound/testing/recording_sound.h"

#include "sound/wave_file.h"

namespace rumblet::testing {

namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isQuery(const std::string& call) { return call.rfind("Get", 0) == 0; }

}  // namespace

std::vector<std::string> SoundLog::callsOn(const SoundBuffer* buffer) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.buffer == buffer) out.push_back(c.call);
    return out;
}

std::vector<std::string> SoundLog::actionsOn(const SoundBuffer* buffer) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.buffer == buffer && !isQuery(c.call)) out.push_back(c.call);
    return out;
}

RecordingSoundBuffer::RecordingSoundBuffer(std::shared_ptr<SoundLog> log, std::string file,
                                           FakeSound sound, std::shared_ptr<const WaveData> wave)
    : log_(std::move(log)),
      file_(std::move(file)),
      wave_(std::move(wave)),
      bytes_(sound.bytes),
      frequency_(sound.frequency) {}

void RecordingSoundBuffer::record(const std::string& call) const {
    log_->calls.push_back({this, file_, call});
}

void RecordingSoundBuffer::Play(int32_t flags) {
    record("Play(" + std::to_string(flags) + ")");
    looping_ = (flags & DSBPLAY_LOOPING) != 0;
    playing_ = true;
}

void RecordingSoundBuffer::Stop() {
    record("Stop()");
    playing_ = false;
}

int32_t RecordingSoundBuffer::GetStatus() const {
    record("GetStatus()");
    return playing_ ? 1 : 0;
}

void RecordingSoundBuffer::SetCurrentPosition(int32_t bytes) {
    record("SetCurrentPosition(" + std::to_string(bytes) + ")");
    position_ = bytes;
}

void RecordingSoundBuffer::GetCurrentPosition(int32_t& playCursor, int32_t& writeCursor) const {
    record("GetCurrentPosition()");
    playCursor = position_;
    writeCursor = position_;
}

void RecordingSoundBuffer::SetVolume(int32_t hundredthsOfDecibel) {
    record("SetVolume(" + std::to_string(hundredthsOfDecibel) + ")");
    volume_ = hundredthsOfDecibel;
}

void RecordingSoundBuffer::SetFrequency(int32_t hz) {
    record("SetFrequency(" + std::to_string(hz) + ")");
    frequency_ = hz;
}

int32_t RecordingSoundBuffer::GetFrequency() const {
    record("GetFrequency()");
    return frequency_;
}

int32_t RecordingSoundBuffer::GetBufferBytes() const {
    record("GetBufferBytes()");
    return bytes_;
}

void RecordingSoundBuffer::playOn(int32_t bytes) {
    if (!playing_) return;
    position_ += bytes;
    if (position_ < bytes_) return;
    if (looping_) {
        position_ %= bytes_;
    } else {
        playing_ = false;
        position_ = 0;
    }
}

std::unique_ptr<SoundBuffer> RecordingSoundDevice::CreateSoundBufferFromFile(const std::string& path) {
    log_->loads.push_back(path);
    const std::string name = baseName(path);
    if (log_->damagedFiles.count(name)) throw SoundError(SOUND_ERROR_BAD_WAVE_FILE, path + ": damaged");
    const auto known = log_->sounds.find(name);
    // Most tests' files only stand for a sound; a real wave brings its samples.
    std::shared_ptr<const WaveData> wave;
    try {
        wave = std::make_shared<const WaveData>(loadWaveFile(path));
    } catch (const SoundError&) {
    }
    return std::make_unique<RecordingSoundBuffer>(
        log_, path, known == log_->sounds.end() ? log_->standard : known->second, std::move(wave));
}

std::unique_ptr<SoundDevice> RecordingSoundSystem::DirectSoundCreate() {
    if (log_->createFailure) throw *log_->createFailure;
    ++log_->devicesCreated;
    return std::make_unique<RecordingSoundDevice>(log_);
}

RecordingSoundBuffer* recorded(const soundslot& slot) {
    return dynamic_cast<RecordingSoundBuffer*>(slot.buffer.get());
}

}  // namespace rumblet::testing
