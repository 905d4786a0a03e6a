#include "support/text.h"

// Bytes of the UTF-8 sequence led by `c`; 0 when `c` cannot lead one.
static std::size_t SequenceLength(unsigned char c)
{
    return c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        }
        i += length;
    }
    return true;
}

std::size_t FittingLength(std::string_view text, std::size_t width)
{
    if (text.size() <= width) return text.size();
    if (!IsUtf8(text)) return width;
    std::size_t n = width;
    while (n > 0 && (static_cast<unsigned char>(text[n]) >> 6) == 2) --n;  // inside a letter
    return n;
}

std::string ToUtf8(std::string_view text)
{
    if (IsUtf8(text)) return std::string(text);
    std::string utf8;
    for (const unsigned char c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}
