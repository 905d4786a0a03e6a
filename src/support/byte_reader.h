// The one bounded reader every format parses through, over an open file or a memory buffer.
// A read past the end yields zeros and sets the sticky Truncated() flag; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "support/endian.h"

class File;

class ByteReader {
public:
    // The whole file, or `size` bytes from `begin` (clamped to the file).
    explicit ByteReader(const File& file);
    ByteReader(const File& file, std::uint64_t begin, std::uint64_t size);
    explicit ByteReader(std::span<const std::uint8_t> bytes);

    std::uint64_t Tell() const { return pos_; }
    std::uint64_t Size() const { return size_; }
    std::uint64_t Left() const { return pos_ < size_ ? size_ - pos_ : 0; }
    // Absolute position in the file (or buffer) of the next byte: what `dataOffset` stores.
    std::uint64_t Offset() const { return begin_ + pos_; }
    bool Truncated() const { return truncated_; }

    // Moves within the range; a position past the end is clamped and counts as truncation.
    void Seek(std::uint64_t position);
    void Skip(std::uint64_t count);

    // Copies `count` bytes out, zero-filling whatever lies beyond the end; returns the count
    // really read.
    std::size_t Read(void* out, std::size_t count);

    // A header struct of byte arrays and typed fields, read whole.
    template <class T>
    T Get()
    {
        static_assert(std::is_trivially_copyable_v<T> && alignof(T) == 1);
        T value;
        Read(&value, sizeof(T));
        return value;
    }

    std::uint8_t U8();
    std::int8_t S8() { return static_cast<std::int8_t>(U8()); }
    std::uint16_t Le16() { return Get<le16>(); }
    std::uint32_t Le24() { return Get<le24>(); }
    std::uint32_t Le32() { return Get<le32>(); }
    std::uint16_t Be16() { return Get<be16>(); }
    std::uint32_t Be24() { return Get<be24>(); }
    std::uint32_t Be32() { return Get<be32>(); }

    // Fixed-width text: `count` bytes into `out` (capacity `count` + 1), zero-terminated.
    void Text(char* out, std::size_t count);
    // Advances past `id` only when the next bytes match it.
    bool Tag(std::string_view id);
    // A child reader over the next `count` bytes (clamped to what is left); this reader moves
    // past them. Asking for more than is left sets both readers' Truncated().
    ByteReader Sub(std::uint64_t count);

private:
    ByteReader(const File* file, const std::uint8_t* memory, std::uint64_t begin,
               std::uint64_t size)
        : file_(file), memory_(memory), begin_(begin), size_(size)
    {
    }

    const File* file_ = nullptr;
    const std::uint8_t* memory_ = nullptr;
    std::uint64_t begin_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t pos_ = 0;
    bool truncated_ = false;
};
