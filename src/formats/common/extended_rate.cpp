// Sample rates as 80-bit IEEE 754 extended values.
#include "formats/common/extended_rate.h"

std::optional<std::uint32_t> ExtendedToRate(std::span<const std::uint8_t, 10> bytes)
{
    const bool negative = (bytes[0] & 0x80) != 0;
    const int exponent = (bytes[0] & 0x7F) << 8 | bytes[1];
    std::uint64_t mantissa = 0;
    for (std::size_t i = 2; i < 10; ++i) mantissa = mantissa << 8 | bytes[i];
    if (negative || exponent == 0x7FFF) return std::nullopt;  // infinity and NaN
    // The value is mantissa × 2^(exponent − 16383 − 63): `fraction` bits lie below the point.
    const int fraction = 16383 + 63 - exponent;
    if (fraction <= 0) return std::nullopt;
    const std::uint64_t whole = fraction >= 64 ? 0 : mantissa >> fraction;
    if (whole == 0 || whole > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(whole);
}

std::array<std::uint8_t, 10> RateToExtended(std::uint32_t rate)
{
    std::array<std::uint8_t, 10> bytes{};
    if (rate == 0) return bytes;
    int shifts = 0;
    while ((rate & 0x80000000u) == 0 && shifts < 30) {
        rate <<= 1;
        ++shifts;
    }
    bytes[0] = 0x40;
    bytes[1] = static_cast<std::uint8_t>(30 - shifts);
    for (int i = 0; i < 4; ++i) bytes[2 + i] = static_cast<std::uint8_t>(rate >> (24 - 8 * i));
    return bytes;
}
