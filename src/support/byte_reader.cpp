// The bounded reader over a file or a buffer.
#include "support/byte_reader.h"

#include <algorithm>
#include <cstring>

#include "support/file.h"

ByteReader::ByteReader(const File& file) : ByteReader(&file, nullptr, 0, file.Size()) {}

ByteReader::ByteReader(const File& file, std::uint64_t begin, std::uint64_t size)
    : ByteReader(&file, nullptr, begin, 0)
{
    const std::uint64_t fileSize = file.Size();
    begin_ = std::min(begin, fileSize);
    size_ = std::min(size, fileSize - begin_);
    truncated_ = size_ < size;
}

ByteReader::ByteReader(std::span<const std::uint8_t> bytes)
    : ByteReader(nullptr, bytes.data(), 0, bytes.size())
{
}

void ByteReader::Seek(std::uint64_t position)
{
    if (position > size_) truncated_ = true;
    pos_ = std::min(position, size_);
}

void ByteReader::Skip(std::uint64_t count)
{
    if (count > Left()) {
        truncated_ = true;
        pos_ = size_;
        return;
    }
    pos_ += count;
}

std::size_t ByteReader::Read(void* out, std::size_t count)
{
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(count, Left()));
    std::size_t got = 0;
    if (memory_ != nullptr) {
        std::memcpy(out, memory_ + begin_ + pos_, wanted);
        got = wanted;
    } else if (file_ != nullptr) {
        got = file_->ReadAt(begin_ + pos_, out, wanted);
    }
    pos_ += got;
    if (got < count) {
        std::memset(static_cast<std::uint8_t*>(out) + got, 0, count - got);
        truncated_ = true;
    }
    return got;
}

std::uint8_t ByteReader::U8()
{
    std::uint8_t value = 0;
    Read(&value, 1);
    return value;
}

void ByteReader::Text(char* out, std::size_t count)
{
    Read(out, count);
    out[count] = '\0';
}

bool ByteReader::Tag(std::string_view id)
{
    if (id.size() > Left()) return false;
    char buffer[16] = {};
    const std::uint64_t at = pos_;
    if (id.size() > sizeof buffer || Read(buffer, id.size()) != id.size() ||
        std::string_view(buffer, id.size()) != id) {
        pos_ = at;
        return false;
    }
    return true;
}

ByteReader ByteReader::Sub(std::uint64_t count)
{
    const std::uint64_t granted = std::min(count, Left());
    ByteReader child(file_, memory_, begin_ + pos_, granted);
    if (granted < count) {
        child.truncated_ = true;
        truncated_ = true;
    }
    pos_ += granted;
    return child;
}
