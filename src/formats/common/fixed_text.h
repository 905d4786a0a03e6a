// Fixed-width text fields of file formats: zero-padded, not terminated when the text fills
// the field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "store/wave_store.h"
#include "support/byte_writer.h"
#include "support/text.h"

template <std::size_t N>
void PutFixedText(char (&field)[N], const char* text)
{
    const std::size_t n = FittingLength(std::string_view(text, strnlen(text, N + 1)), N);
    std::memcpy(field, text, n);
    std::memset(field + n, 0, N - n);
}

// A name longer than a writer's field of `width` bytes is noted as a loss of the export.
inline void NoteCutName(WaveStore& store, const char* name, std::size_t width)
{
    if (strnlen(name, width + 1) > width) store.NoteLoss("Names cut to " + std::to_string(width) + " characters");
}

// A name into a fixed field, noting a cut.
template <std::size_t N>
void PutName(WaveStore& store, char (&field)[N], const char* name)
{
    PutFixedText(field, name);
    NoteCutName(store, name, N);
}

// A name with its terminator, padded to an even count (the name chunks of RIFF and IFF files).
inline ByteWriter PaddedName(const char* name)
{
    const std::size_t n = (strnlen(name, kNameSize - 1) + 2) & ~std::size_t{1};
    return ByteWriter{}.Text(std::string_view(name, strnlen(name, kNameSize - 1)), n);
}
