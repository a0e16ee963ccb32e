#include "sound/shared_waves.h"

#include <system_error>

namespace rumblet {

std::shared_ptr<const WaveData> SharedWaves::load(const std::string& path) {
    // Sounds no buffer plays any more are gone; their entries go with them.
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = it->second.wave.expired() ? entries_.erase(it) : std::next(it);
    }
    const std::filesystem::path given = std::filesystem::u8path(path);
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(given, error);
    // Where links cannot be followed, the same spelling at least is the same file.
    if (error) real = std::filesystem::absolute(given, error).lexically_normal();
    Entry stamp;
    if (!error) stamp.size = std::filesystem::file_size(real, error);
    if (!error) stamp.modified = std::filesystem::last_write_time(real, error);
    // A file that cannot even be looked at is not shared; the loader says why.
    if (error) return std::make_shared<const WaveData>(loadWaveFile(path));

    const auto known = entries_.find(real);
    if (known != entries_.end() && known->second.size == stamp.size && known->second.modified == stamp.modified) {
        if (auto wave = known->second.wave.lock()) return wave;
    }
    auto wave = std::make_shared<const WaveData>(loadWaveFile(path));
    stamp.wave = wave;
    entries_[real] = stamp;
    return wave;
}

}  // namespace rumblet
