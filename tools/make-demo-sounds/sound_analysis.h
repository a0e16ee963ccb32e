// Measuring sound: the fundamental of a periodic stretch and the level inside
// a frequency band. Used to check the demo set and recordings of the program's
// output against the demo set's design (demo_sound_set.h).
#pragma once

#include <complex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "demo_sound_set.h"

namespace demo {

// A sound file as mono floats in [-1, 1] (channels averaged).
struct Recording {
    int rate = 0;
    std::vector<float> samples;

    // The stretch from `fromSeconds` lasting `seconds`, clipped to the recording.
    std::span<const float> window(double fromSeconds, double seconds) const;
    double duration() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
};

// Reads any file libsndfile reads. Throws std::runtime_error naming the file.
Recording readRecording(const std::string& path);

// Reads headerless 32-bit float samples in the machine's byte order, as an
// audio output writes them to a file (interleaved when `channels` > 1).
Recording readRawFloatRecording(const std::string& path, int rate, int channels);

// Writes the recording as a 32-bit float mono wave file.
void writeRecording(const std::string& path, const Recording& recording);

// The fundamental in Hz of a periodic stretch, looked for between minHz and
// maxHz (difference function with cumulative mean normalisation, the first
// clear dip wins so that a strong harmonic is not taken for the fundamental).
// Nothing for silence, noise or a stretch shorter than two periods of minHz.
std::optional<double> fundamentalHz(std::span<const float> x, int rate, double minHz, double maxHz);

// Root-mean-square level of the part of `x` between band.lowHz and
// band.highHz (a full-scale sine inside the band gives about 0.707).
double bandLevel(std::span<const float> x, int rate, Band band);

// Root-mean-square level of the whole stretch.
double rmsLevel(std::span<const float> x);

// In-place radix-2 FFT; data.size() is a power of two.
void fft(std::vector<std::complex<double>>& data);

}  // namespace demo
