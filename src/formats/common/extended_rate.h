// Sample rates as 80-bit IEEE 754 extended values (AIFF's COMM chunk): sign and 15-bit
// exponent, then a 64-bit mantissa with an explicit integer bit. Big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The integer part of the value; none for 0, a value under 1 Hz or past 32 bits, a negative
// one, infinity or NaN (none of them a rate samples can be played at).
std::optional<std::uint32_t> ExtendedToRate(std::span<const std::uint8_t, 10> bytes);

// `rate` as an extended value: its bits shifted up at most 30 places (so the exponent byte is
// always 0x40), as the files KOBA writes have always held it; 0 gives ten zero bytes.
std::array<std::uint8_t, 10> RateToExtended(std::uint32_t rate);
