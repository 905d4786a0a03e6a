// Builds RIFF and IFF files in tests.
#include "kit/riff_file.h"

Bytes Chunk(std::string_view id, const Bytes& body)
{
    Bytes chunk = Bytes{}.Tag(id).Le32(body.Size()).Append(body);
    if (body.Size() % 2 != 0) chunk.U8(0);
    return chunk;
}

static Bytes Container(std::string_view id, std::string_view type, std::initializer_list<Bytes> chunks)
{
    Bytes body = Bytes{}.Tag(type);
    for (const Bytes& chunk : chunks) body.Append(chunk);
    return Chunk(id, body);
}

Bytes RiffForm(std::string_view form, std::initializer_list<Bytes> chunks)
{
    return Container("RIFF", form, chunks);
}

Bytes ListChunk(std::string_view type, std::initializer_list<Bytes> chunks)
{
    return Container("LIST", type, chunks);
}

Bytes FormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    const std::uint16_t align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    return Bytes{}.Le16(tag, channels).Le32(rate, rate * align).Le16(align, bits);
}

Bytes BeChunk(std::string_view id, const Bytes& body, bool pad)
{
    Bytes chunk = Bytes{}.Tag(id).Be32(body.Size()).Append(body);
    if (pad && body.Size() % 2 != 0) chunk.U8(0);
    return chunk;
}

Bytes IffForm(std::string_view form, std::initializer_list<Bytes> chunks)
{
    Bytes body = Bytes{}.Tag(form);
    for (const Bytes& chunk : chunks) body.Append(chunk);
    return BeChunk("FORM", body);
}
