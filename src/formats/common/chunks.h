// RIFF- and IFF-style chunk lists, walked and written in one place: a 4-byte id, a 32-bit
// size (little-endian in RIFF, big-endian in IFF), the body, a pad byte after an odd size.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/byte_reader.h"
#include "support/byte_writer.h"

class File;

enum class ChunkOrder { Riff, Iff };

// Where the chunk after one of odd size starts: past its pad byte; or, for formats whose writers
// sometimes leave the pad byte out, right after the body when only that position holds a
// plausible chunk id; or, for formats that never pad, right after the body.
enum class PadBytes { Always, OrMissing, Never };

// Four printable ASCII characters at the reader's position, as every chunk id is.
bool PlausibleChunkId(ByteReader at);

// Containers nested deeper than this are not entered: a file of nested lists must not
// exhaust the stack.
constexpr int kMaxChunkDepth = 16;

struct Chunk {
    char id[4];
    std::uint32_t declaredSize;  // as the file says
    ByteReader body;             // bounded to the body, clamped to the enclosing range
    ChunkOrder order;
    int depth;                   // 0 for the chunks of the outermost walk
    PadBytes pad;                // how the walk that found it steps over pad bytes
    char type[4] = {};           // a container's form or list type, once WalkInside read it

    std::string_view Id() const { return {id, 4}; }
    std::string_view Type() const { return {type, 4}; }
    bool Is(std::string_view tag) const { return Id() == tag; }
};

// Calls `handler(Chunk&)` for each chunk that starts in `range`, in order; stops early with
// false when the handler returns false. A chunk too short for its header ends the walk.
template <class Handler>
bool WalkChunks(ByteReader range, ChunkOrder order, Handler&& handler, PadBytes pad = PadBytes::Always,
                int depth = 0)
{
    while (range.Left() >= 8) {
        Chunk chunk{{}, 0, ByteReader(std::span<const std::uint8_t>()), order, depth, pad};
        range.Read(chunk.id, 4);
        chunk.declaredSize = order == ChunkOrder::Riff ? range.Le32() : range.Be32();
        chunk.body = range.Sub(chunk.declaredSize);
        if (!handler(chunk)) return false;
        if ((chunk.declaredSize & 1) == 0 || pad == PadBytes::Never) continue;
        ByteReader padded = range;
        padded.Skip(1);
        if (pad == PadBytes::Always || PlausibleChunkId(padded) || !PlausibleChunkId(range)) range = padded;
    }
    return true;
}

// Walks the chunks of a container (RIFF, LIST, FORM, …) after reading its type into
// `container.type`. Beyond the depth limit nothing inside is visited and the result is true.
template <class Handler>
bool WalkInside(Chunk& container, Handler&& handler)
{
    container.body.Read(container.type, 4);
    if (container.depth + 1 >= kMaxChunkDepth) return true;
    return WalkChunks(container.body, container.order, handler, container.pad, container.depth + 1);
}

// A whole chunk built in memory: id, size, body and pad byte.
ByteWriter RiffChunk(std::string_view id, const ByteWriter& body);
ByteWriter IffChunk(std::string_view id, const ByteWriter& body);

// A chunk whose body is written straight to a file (sample data, or chunks around it): the
// header goes out when it is opened, the size and the pad byte when it is closed.
class FileChunk {
public:
    FileChunk(File& file, ChunkOrder order, std::string_view id);
    // False when a write failed or the body grew past what a 32-bit size holds.
    [[nodiscard]] bool Close(std::uint8_t padByte = 0);

private:
    File& file_;
    ChunkOrder order_;
    std::uint64_t sizeAt_;
    bool opened_;
};
