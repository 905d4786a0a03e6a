// GF1 pitch and envelope conversions. The key-to-frequency curve is computed in 80-bit
// extended precision (long double on x86-64) so that every key gives the format's figures.
#include "formats/instrument/gf1.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

std::int32_t pat_KeyToFreq(std::int32_t key, std::int32_t fine)
{
    const long double twelfth = static_cast<double>(1.0 / 12.0);
    const double x = static_cast<double>((key + fine * 0.0078125L) * twelfth);
    const long double frequency = std::pow(2.0L, static_cast<long double>(x)) * 8175.000000000001;
    // Keys far above the keyboard (a hostile root key) give frequencies no field can hold.
    return frequency >= 2147483647.0L ? INT32_MAX : static_cast<std::int32_t>(frequency);
}

std::uint8_t pat_FreqToKey(std::uint32_t frequency)
{
    if (frequency == 0) return 255;  // no key: a wave that claims no range
    for (std::uint32_t key = 0; key < 255; ++key) {
        const std::uint32_t sum = static_cast<std::uint32_t>(pat_KeyToFreq(static_cast<std::int32_t>(key), 0)) +
                                  static_cast<std::uint32_t>(pat_KeyToFreq(static_cast<std::int32_t>(key) + 1, 0));
        if (frequency <= (sum >> 1) + 1) return static_cast<std::uint8_t>(key);
    }
    return 255;
}

// Products wrap as 32-bit two's complement do, so that a patch read and written again keeps
// its envelope speeds whatever its voice count.
static std::int32_t Wrapped(std::int64_t product)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(product));
}

std::int32_t pat_RateToTime(std::uint8_t rate, std::uint8_t from, std::uint8_t to, std::uint8_t voices)
{
    const int increment = rate & 63;
    if (increment == 0) return 16777215;
    const int n = std::abs(to - from) + 1;
    const int divisor = increment << (3 * (3 - (rate >> 6)));
    return Wrapped(std::int64_t{voices} * n * 3355000) / divisor;
}

std::uint8_t pat_TimeToRate(std::int32_t time, std::uint8_t from, std::uint8_t to)
{
    if (time == 0) return 63;
    const int n = std::abs(to - from) + 1;
    // INT_MIN / -1 cannot be formed; the fastest rate is what such a time means anyway.
    const std::int32_t product = Wrapped(std::int64_t{n} * 46970000);
    if (time == -1 && product == INT32_MIN) return 63;
    std::int32_t increment = product / time;
    int range = 3;
    while (increment > 63) {
        if (range == 0) return 63;
        --range;
        increment >>= 3;
    }
    return static_cast<std::uint8_t>((range << 6) | (increment & 0xFF));
}

double pat_RateToSeconds(std::uint8_t rate, std::uint8_t from, std::uint8_t to)
{
    constexpr double kFramesPerSecond = 44100;  // the card's volume ramp runs once per frame
    const int increment = rate & 63;
    if (increment == 0) return 3600;
    // The ramp adds `increment` to the 12-bit volume, every 8^range frames (1, 8, 64, 512);
    // a level is 16 steps of the 12-bit volume.
    const double frames = std::abs(to - from) * 16.0 * (1 << (3 * (rate >> 6))) / increment;
    return frames / kFramesPerSecond;
}

int pat_LevelToCentibels(std::uint8_t level)
{
    // Each level's top four bits are an exponent (6 dB), the low four the top of a mantissa.
    const auto amplitude = [](int l) { return std::ldexp(16.0 + (l & 15), l >> 4); };
    return static_cast<int>(std::lround(200 * std::log10(amplitude(255) / amplitude(level))));
}
