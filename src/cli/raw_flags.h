// The --raw-* flags: the command line's answers to the data format page for raw data.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "cli/options.h"
#include "store/data_format.h"

struct RawFlags {
    std::optional<DataType> type;
    std::optional<bool> isSigned;
    std::optional<bool> stereo;
    std::optional<bool> byteSwap;
    std::optional<std::uint32_t> sampleRate;
    std::optional<std::uint32_t> dataOffset;
    std::optional<std::uint32_t> sampleSize;

    bool Any() const;
    // What the page would hold after the user changed the flagged controls.
    DataFormatChoice Apply(DataFormatChoice page) const;
};

extern const std::set<std::string> kRawOptions;
extern const char kRawHint[];

// False with `error` for a value that is not one of the flag's.
bool ReadRawFlags(const ParsedArgs& args, RawFlags& flags, std::string& error);
