// Writing RIFF- and IFF-style chunks.
#include "formats/common/chunks.h"

#include "support/file.h"

namespace {

ByteWriter WholeChunk(ChunkOrder order, std::string_view id, const ByteWriter& body)
{
    ByteWriter chunk;
    const auto size = static_cast<std::uint32_t>(body.Size());
    chunk.Tag(id);
    if (order == ChunkOrder::Riff) {
        chunk.Le32(size);
    } else {
        chunk.Be32(size);
    }
    chunk.Append(body);
    if ((size & 1) != 0) chunk.U8(0);
    return chunk;
}

}  // namespace

bool PlausibleChunkId(ByteReader at)
{
    char id[4];
    if (at.Read(id, 4) != 4) return false;
    for (const char c : id) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

ByteWriter RiffChunk(std::string_view id, const ByteWriter& body)
{
    return WholeChunk(ChunkOrder::Riff, id, body);
}

ByteWriter IffChunk(std::string_view id, const ByteWriter& body)
{
    return WholeChunk(ChunkOrder::Iff, id, body);
}

FileChunk::FileChunk(File& file, ChunkOrder order, std::string_view id)
    : file_(file), order_(order), sizeAt_(file.Tell() + 4)
{
    opened_ = ByteWriter{}.Tag(id).Zeros(4).WriteTo(file_);
}

bool FileChunk::Close(std::uint8_t padByte)
{
    const std::uint64_t size = file_.Tell() - (sizeAt_ + 4);
    if (!opened_ || size > UINT32_MAX) return false;
    ByteWriter field;
    if (order_ == ChunkOrder::Riff) {
        field.Le32(static_cast<std::uint32_t>(size));
    } else {
        field.Be32(static_cast<std::uint32_t>(size));
    }
    const bool padded = (size & 1) == 0 || file_.Write(&padByte, 1);
    return padded && file_.WriteAt(sizeAt_, field.Bytes().data(), field.Size());
}
