// Walking RIFF- and IFF-style chunk lists: a 4-byte id, a 32-bit size, the body, padding to
// an even offset. Sizes are clamped to the enclosing range, so a handler never reads past it.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/byte_reader.h"

struct Chunk {
    char id[4];
    std::uint32_t declaredSize;  // as the file says
    ByteReader body;             // bounded to the body, clamped to the enclosing range

    std::string_view Id() const { return {id, 4}; }
    bool Is(std::string_view tag) const { return Id() == tag; }
};

enum class SizeOrder { LittleEndian, BigEndian };

// Calls `handler(Chunk&)` for each chunk that starts in `range`, in order; stops early with
// false when the handler returns false. A chunk too short for its header ends the walk.
template <class Handler>
bool WalkChunks(ByteReader range, SizeOrder order, Handler&& handler)
{
    while (range.Left() >= 8) {
        Chunk chunk{{}, 0, ByteReader(std::span<const std::uint8_t>())};
        range.Read(chunk.id, 4);
        chunk.declaredSize = order == SizeOrder::LittleEndian ? range.Le32() : range.Be32();
        chunk.body = range.Sub(chunk.declaredSize);
        if (!handler(chunk)) return false;
        if ((chunk.declaredSize & 1) != 0) range.Skip(1);
    }
    return true;
}
