// Names inside files: UTF-8 when they are valid UTF-8, else Latin-1 (one byte, one letter).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

bool IsUtf8(std::string_view text);

// Bytes of `text` that fit `width` bytes without splitting a UTF-8 letter.
std::size_t FittingLength(std::string_view text, std::size_t width);

// `text` as UTF-8, read as Latin-1 when it is not UTF-8 already.
std::string ToUtf8(std::string_view text);
