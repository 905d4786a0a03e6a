// Multi-byte fields typed by byte order: byte arrays of alignment 1 that header structs are
// built from, so a struct mirrors its file's table exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

template <std::size_t N, bool BigEndian>
struct EndianUInt {
    using Value = std::conditional_t<(N <= 2), std::uint16_t, std::uint32_t>;
    std::uint8_t bytes[N];

    constexpr Value Get() const
    {
        Value v = 0;
        for (std::size_t i = 0; i < N; ++i) {
            const std::size_t at = BigEndian ? i : N - 1 - i;
            v = static_cast<Value>((v << 8) | bytes[at]);
        }
        return v;
    }
    constexpr operator Value() const { return Get(); }
    constexpr void Set(Value v)
    {
        for (std::size_t i = 0; i < N; ++i) {
            const std::size_t at = BigEndian ? N - 1 - i : i;
            bytes[at] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }
};

using le16 = EndianUInt<2, false>;
using le24 = EndianUInt<3, false>;
using le32 = EndianUInt<4, false>;
using be16 = EndianUInt<2, true>;
using be24 = EndianUInt<3, true>;
using be32 = EndianUInt<4, true>;

static_assert(sizeof(le32) == 4 && alignof(le32) == 1);

// Signed view of a 16-bit field.
constexpr std::int16_t AsSigned(std::uint16_t v)
{
    return static_cast<std::int16_t>(v);
}

// Little-endian sample values in memory buffers.
inline std::int16_t LoadLe16s(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}
inline void StoreLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
