// SoundFont pitch conversions, in 80-bit extended precision (long double on x86-64) with the
// roundings to double that give the format's figures (22050 Hz → 7199 cents, 6100 → 41624 Hz).
#include "formats/instrument/sbk.h"

#include <algorithm>
#include <cmath>

std::uint16_t SbkRateToCents(std::uint32_t sampleRate, std::int8_t fineTune)
{
    const long double ratio = 44100.0L / (sampleRate != 0 ? sampleRate : 44100);
    const double scaled = static_cast<double>(1200.0L * std::log(ratio));
    const long double octaves = scaled / std::log(2.0L);
    const int fine = fineTune * 100 / 128;
    const long double cents = std::trunc(octaves + 6000 + fine);
    return static_cast<std::uint16_t>(std::clamp<long double>(cents, 0, 65535));
}

std::uint32_t SbkCentsToRate(std::int32_t cents)
{
    const long double twelveHundredth = static_cast<double>(1.0 / 1200.0);
    const double exponent = static_cast<double>(std::log(2.0L) * (cents - 6000) * twelveHundredth);
    const long double rate = 44100.0L / std::exp(static_cast<long double>(exponent));
    return static_cast<std::uint32_t>(std::clamp<long double>(rate, 0, 4294967295.0L));
}
