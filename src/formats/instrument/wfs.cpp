// WaveFront pitch conversions: a frequency bias in 1/2048 octave names the key at which a
// sample plays at its own rate, 44100 Hz playing key 0 at bias 0. In 80-bit extended precision.
#include "formats/instrument/wfs.h"

#include <algorithm>
#include <cmath>

namespace {

// Octaves that `sampleRate` lies below 44100 Hz.
long double OctavesBelow44100(std::uint32_t sampleRate)
{
    const double l = static_cast<double>(std::log(44100.0L / sampleRate));
    return l / std::log(2.0L);
}

}  // namespace

// The nearest key and the rest as fine tune: a bias a little under a key's (as some writers
// truncate) still names that key.
WfsPitch wfs_BiasToPitch(std::int16_t bias, std::uint32_t sampleRate)
{
    if (sampleRate == 0) return {60, 0};
    const long double semitones = 12 * (bias / 2048.0L - OctavesBelow44100(sampleRate));
    const long double key = std::clamp<long double>(std::round(semitones), 0, 127);
    const long double fine = std::clamp<long double>(std::round((semitones - key) * 128), -128, 127);
    return {static_cast<std::uint8_t>(key), static_cast<std::int8_t>(fine)};
}

std::int16_t wfs_PitchToBias(std::uint8_t rootKey, std::int8_t fineTune, std::uint32_t sampleRate)
{
    const long double octaves = sampleRate != 0 ? OctavesBelow44100(sampleRate) : 0;
    const long double bias = std::round(2048 * octaves + (rootKey + fineTune / 128.0L) * 2048 / 12);
    return static_cast<std::int16_t>(std::clamp<long double>(bias, -32768, 32767));
}
