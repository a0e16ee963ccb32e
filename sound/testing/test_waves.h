// Helpers for tests that need real sound: wave files written on the spot,
// tones, offline renders and simple measurements of the rendered signal.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "sound/mixer_device.h"

namespace rumblet::testing {

enum class SampleFormat { Unsigned8, Pcm16, Pcm24, Pcm32, Float32, ImaAdpcm };

// Writes a RIFF wave file of interleaved samples in -1..1 (integers are the
// nearest value at full scale; IMA ADPCM gets its format chunk and filler
// for codes). Throws std::runtime_error when the file cannot be written.
void writeWaveFile(const std::string& path, const std::vector<float>& samples, int channels,
                   int sampleRate, SampleFormat format = SampleFormat::Pcm16);

// `frames` frames of a sine of `hz` at `sampleRate`, mono.
std::vector<float> sineWave(double hz, size_t frames, int sampleRate, double amplitude);

// The mixer's next `frames` frames, interleaved stereo.
std::vector<float> renderStereo(OfflineSoundSystem& system, size_t frames);
// The left channel of interleaved stereo.
std::vector<float> leftChannel(const std::vector<float>& stereo);

double peakAmplitude(const std::vector<float>& mono);
// The largest difference between two neighbouring samples: a click shows
// as a step larger than the material itself has.
double largestStep(const std::vector<float>& mono);
// The frequency of a tone from its rising zero crossings (interpolated
// between samples); 0 when there are fewer than two.
double toneFrequency(const std::vector<float>& mono, int sampleRate);

// The power of the `hz` component of a signal (Goertzel), to tell which of
// a few known tones is heard.
double tonePower(const std::vector<float>& mono, int sampleRate, double hz);

// Waits until `done()` holds, as the audio thread gets there; false after
// 10 s, a limit that only keeps a broken output from hanging the run.
template <typename Condition>
bool eventually(Condition done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A fresh folder under the system's temp folder, removed with everything in
// it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    // Creates `relative` (with its folders) holding `content`; returns its path.
    std::string write(const std::string& relative, const std::string& content) const;
    std::string read(const std::string& relative) const;
    // Creates folder `relative` (and its parents); returns its path.
    std::string folder(const std::string& relative) const;

private:
    std::string path_;
};

}  // namespace rumblet::testing
