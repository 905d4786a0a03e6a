// Builds file headers in memory with explicit byte order, written in one piece.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/file.h"

class ByteWriter {
public:
    ByteWriter& U8(std::uint8_t v)
    {
        bytes_.push_back(v);
        return *this;
    }
    ByteWriter& Le16(std::uint16_t v) { return Put(v, 2, false); }
    ByteWriter& Le32(std::uint32_t v) { return Put(v, 4, false); }
    ByteWriter& Be16(std::uint16_t v) { return Put(v, 2, true); }
    ByteWriter& Be32(std::uint32_t v) { return Put(v, 4, true); }
    // The characters of a 4-byte (or any) tag, no terminator.
    ByteWriter& Tag(std::string_view tag)
    {
        bytes_.insert(bytes_.end(), tag.begin(), tag.end());
        return *this;
    }
    // `text` cut or zero-padded to exactly `width` bytes.
    ByteWriter& Text(std::string_view text, std::size_t width)
    {
        for (std::size_t i = 0; i < width; ++i) bytes_.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
        return *this;
    }
    ByteWriter& Zeros(std::size_t count)
    {
        bytes_.insert(bytes_.end(), count, 0);
        return *this;
    }
    ByteWriter& Append(const ByteWriter& other)
    {
        bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
        return *this;
    }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // Writes everything at the file's current position.
    [[nodiscard]] bool WriteTo(File& file) const { return file.Write(bytes_.data(), bytes_.size()); }
    std::size_t Size() const { return bytes_.size(); }

private:
    ByteWriter& Put(std::uint32_t v, int width, bool bigEndian)
    {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (bigEndian ? width - 1 - i : i);
            bytes_.push_back(static_cast<std::uint8_t>(v >> shift));
        }
        return *this;
    }
    std::vector<std::uint8_t> bytes_;
};
