// Numbers in MIDI system-exclusive data: 7 bits a byte, least significant group first.
#pragma once

#include <cstddef>
#include <cstdint>

template <std::size_t N>
constexpr std::uint32_t SevenBitNumber(const std::uint8_t (&groups)[N])
{
    std::uint32_t value = 0;
    for (std::size_t i = N; i-- > 0;) value = value << 7 | (groups[i] & 127u);
    return value;
}
