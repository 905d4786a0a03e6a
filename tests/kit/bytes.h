// Builds file images in tests: values in either byte order, tags, fixed text, zeros.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class Bytes {
public:
    Bytes& U8(std::initializer_list<unsigned> values);
    template <class... T>
    Bytes& U8(T... values) { return U8({static_cast<unsigned>(values)...}); }
    template <class... T>
    Bytes& Le16(T... values) { return Put(2, false, {static_cast<std::uint64_t>(values)...}); }
    template <class... T>
    Bytes& Le32(T... values) { return Put(4, false, {static_cast<std::uint64_t>(values)...}); }
    template <class... T>
    Bytes& Be16(T... values) { return Put(2, true, {static_cast<std::uint64_t>(values)...}); }
    template <class... T>
    Bytes& Be32(T... values) { return Put(4, true, {static_cast<std::uint64_t>(values)...}); }
    // The characters of `tag` as they are, no terminator.
    Bytes& Tag(std::string_view tag);
    // `text` zero-padded (or cut) to `width` bytes.
    Bytes& Text(std::string_view text, std::size_t width);
    Bytes& Zeros(std::size_t count);
    Bytes& Append(const Bytes& other);
    Bytes& Append(const std::vector<std::uint8_t>& other);

    const std::vector<std::uint8_t>& Data() const { return data_; }
    std::size_t Size() const { return data_.size(); }

private:
    Bytes& Put(int width, bool bigEndian, std::initializer_list<std::uint64_t> values);
    std::vector<std::uint8_t> data_;
};
