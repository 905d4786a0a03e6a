// A small typed key-value file in the style of exported registry keys, standing in for a
// registry key: each value is a string, raw bytes or a 32-bit number, and keeps its type.
//
//   "szLastFile"="/home/me/piano.pat"
//   "LastExp"=hex:01,00,00,00,00,00,00,00,02,00,00,00
//   "mtEnable"=dword:00000001
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct RegValue {
    enum class Type { String, Binary, Dword };
    Type type = Type::String;
    std::string text;
    std::vector<std::uint8_t> bytes;
    std::uint32_t dword = 0;

    static RegValue String(std::string text) { return {Type::String, std::move(text), {}, 0}; }
    static RegValue Binary(std::vector<std::uint8_t> bytes) { return {Type::Binary, {}, std::move(bytes), 0}; }
    static RegValue Dword(std::uint32_t value) { return {Type::Dword, {}, {}, value}; }
    bool operator==(const RegValue&) const = default;
};

using RegValues = std::map<std::string, RegValue>;

// The values of a file; nullopt when it cannot be read. Lines it does not understand are
// skipped.
std::optional<RegValues> LoadRegFile(const std::string& path);
// Writes all values, replacing the file only once the new one is complete; creates the
// folders on the way.
bool SaveRegFile(const std::string& path, const RegValues& values);

std::string FormatRegValues(const RegValues& values);
RegValues ParseRegValues(const std::string& text);
