// Builds file images in tests.
#include "kit/bytes.h"

Bytes& Bytes::U8(std::initializer_list<unsigned> values)
{
    for (unsigned v : values) data_.push_back(static_cast<std::uint8_t>(v));
    return *this;
}

Bytes& Bytes::Put(int width, bool bigEndian, std::initializer_list<std::uint64_t> values)
{
    for (std::uint64_t v : values) {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (bigEndian ? width - 1 - i : i);
            data_.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    }
    return *this;
}

Bytes& Bytes::Tag(std::string_view tag)
{
    data_.insert(data_.end(), tag.begin(), tag.end());
    return *this;
}

Bytes& Bytes::Text(std::string_view text, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i) {
        data_.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
    return *this;
}

Bytes& Bytes::Zeros(std::size_t count)
{
    data_.insert(data_.end(), count, 0);
    return *this;
}

Bytes& Bytes::Append(const Bytes& other)
{
    return Append(other.data_);
}

Bytes& Bytes::Append(const std::vector<std::uint8_t>& other)
{
    data_.insert(data_.end(), other.begin(), other.end());
    return *this;
}
