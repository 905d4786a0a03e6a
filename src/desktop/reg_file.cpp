// A small typed key-value file in the style of exported registry keys.
#include "desktop/reg_file.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/text_file.h"

namespace {

std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') quoted += '\\';
        if (c == '\n') {
            quoted += "\\n";
            continue;
        }
        quoted += c;
    }
    return quoted + "\"";
}

// Reads a quoted text at `at`; moves `at` past its closing quote.
std::optional<std::string> Unquote(const std::string& line, std::size_t& at)
{
    if (at >= line.size() || line[at] != '"') return std::nullopt;
    std::string text;
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return text;
        }
        if (c == '\\' && at + 1 < line.size()) {
            c = line[++at];
            if (c == 'n') c = '\n';
        }
        text += c;
    }
    return std::nullopt;
}

std::optional<RegValue> ParseData(const std::string& data)
{
    if (data.rfind("dword:", 0) == 0) {
        const std::string digits = data.substr(6);
        if (digits.size() != 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            return std::nullopt;
        }
        return RegValue::Dword(static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16)));
    }
    if (data.rfind("hex:", 0) == 0) {
        std::vector<std::uint8_t> bytes;
        std::istringstream in(data.substr(4));
        std::string item;
        while (std::getline(in, item, ',')) {
            if (item.size() != 2 || !std::isxdigit(static_cast<unsigned char>(item[0])) ||
                !std::isxdigit(static_cast<unsigned char>(item[1]))) {
                return std::nullopt;
            }
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(item, nullptr, 16)));
        }
        return RegValue::Binary(std::move(bytes));
    }
    std::size_t at = 0;
    std::optional<std::string> text = Unquote(data, at);
    if (!text) return std::nullopt;
    return RegValue::String(*text);
}

}  // namespace

std::string FormatRegValues(const RegValues& values)
{
    std::string text = "[SOFTWARE\\VEK-Software\\KOBA]\n";
    for (const auto& [name, value] : values) {
        text += Quote(name) + "=";
        char number[16];
        switch (value.type) {
        case RegValue::Type::String:
            text += Quote(value.text);
            break;
        case RegValue::Type::Dword:
            std::snprintf(number, sizeof number, "dword:%08x", value.dword);
            text += number;
            break;
        case RegValue::Type::Binary:
            text += "hex:";
            for (std::size_t i = 0; i < value.bytes.size(); ++i) {
                std::snprintf(number, sizeof number, i == 0 ? "%02x" : ",%02x", value.bytes[i]);
                text += number;
            }
            break;
        }
        text += "\n";
    }
    return text;
}

RegValues ParseRegValues(const std::string& text)
{
    RegValues values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t at = 0;
        const std::optional<std::string> name = Unquote(line, at);
        if (!name || at >= line.size() || line[at] != '=') continue;
        if (std::optional<RegValue> value = ParseData(line.substr(at + 1))) values[*name] = *value;
    }
    return values;
}

std::optional<RegValues> LoadRegFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return ParseRegValues(text.str());
}

bool SaveRegFile(const std::string& path, const RegValues& values)
{
    return WriteTextFile(path, FormatRegValues(values));
}
