// Fixed-width text fields of file formats: zero-padded, not terminated when the text fills
// the field.
#pragma once

#include <cstddef>
#include <cstring>

template <std::size_t N>
void PutFixedText(char (&field)[N], const char* text)
{
    const std::size_t n = strnlen(text, N);
    std::memcpy(field, text, n);
    std::memset(field + n, 0, N - n);
}
