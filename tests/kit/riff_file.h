// Builds RIFF and IFF files in tests: chunks with their sizes and pad bytes filled in.
#pragma once

#include <initializer_list>
#include <string_view>

#include "kit/bytes.h"

// id, little-endian size, body, and a pad byte when the size is odd.
Bytes Chunk(std::string_view id, const Bytes& body);
// "RIFF" (or "LIST") with a form type and its chunks.
Bytes RiffForm(std::string_view form, std::initializer_list<Bytes> chunks);
Bytes ListChunk(std::string_view type, std::initializer_list<Bytes> chunks);
// A "fmt " body: tag, channels, rate, byte rate, block align, bits.
Bytes FormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);

// IFF: id, big-endian size, body, and a pad byte when the size is odd (none with `pad` false,
// as some writers leave it out).
Bytes BeChunk(std::string_view id, const Bytes& body, bool pad = true);
// "FORM" with a form type and its chunks.
Bytes IffForm(std::string_view form, std::initializer_list<Bytes> chunks);
