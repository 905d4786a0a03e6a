// The --raw-* flags.
#include "cli/raw_flags.h"

#include <charconv>

const std::set<std::string> kRawOptions = {"--raw-type", "--raw-signed", "--raw-stereo", "--raw-swap",
                                           "--raw-rate", "--raw-offset", "--raw-size"};

const char kRawHint[] =
    "to read it as raw data, state its layout with "
    "--raw-type pcm8|pcm16|mulaw|alaw, --raw-signed 0|1, --raw-stereo 0|1, --raw-swap 0|1, "
    "--raw-rate HZ, --raw-offset BYTES, --raw-size BYTES";

namespace {

// The most samples per second a WAVE header can state: its byte rate (four bytes a frame of
// 16-bit stereo) must fit 32 bits too.
constexpr std::uint64_t kMaxRate = UINT32_MAX / 4;

bool ReadNumber(const std::string& text, std::uint64_t& value)
{
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && at == end && !text.empty();
}

bool ReadSwitch(const ParsedArgs& args, const char* name, std::optional<bool>& flag, std::string& error)
{
    const auto it = args.values.find(name);
    if (it == args.values.end()) return true;
    if (it->second != "0" && it->second != "1") {
        error = std::string(name) + " takes 0 or 1";
        return false;
    }
    flag = it->second == "1";
    return true;
}

bool ReadCount(const ParsedArgs& args, const char* name, std::optional<std::uint32_t>& count, std::string& error,
               std::uint64_t least = 0, std::uint64_t most = UINT32_MAX)
{
    const auto it = args.values.find(name);
    if (it == args.values.end()) return true;
    std::uint64_t value = 0;
    if (!ReadNumber(it->second, value) || value < least || value > most) {
        error =
            std::string(name) + " takes a whole number from " + std::to_string(least) + " to " + std::to_string(most);
        return false;
    }
    count = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

bool RawFlags::Any() const
{
    return type || isSigned || stereo || byteSwap || sampleRate || dataOffset || sampleSize;
}

DataFormatChoice RawFlags::Apply(DataFormatChoice page) const
{
    if (type) page.type = *type;
    if (isSigned) page.isSigned = *isSigned;
    if (stereo) page.stereo = *stereo;
    if (byteSwap) page.byteSwap = *byteSwap;
    if (sampleRate) page.sampleRate = *sampleRate;
    if (dataOffset) page.dataOffset = *dataOffset;
    if (sampleSize) page.sampleSize = *sampleSize;
    return page;
}

bool ReadRawFlags(const ParsedArgs& args, RawFlags& flags, std::string& error)
{
    if (const auto it = args.values.find("--raw-type"); it != args.values.end()) {
        static const std::pair<const char*, DataType> kTypes[] = {
            {"pcm8", DataType::Pcm8}, {"pcm16", DataType::Pcm16}, {"mulaw", DataType::MuLaw}, {"alaw", DataType::ALaw}};
        for (const auto& [name, type] : kTypes) {
            if (it->second == name) flags.type = type;
        }
        if (!flags.type) {
            error = "--raw-type takes pcm8, pcm16, mulaw or alaw";
            return false;
        }
    }
    return ReadSwitch(args, "--raw-signed", flags.isSigned, error) &&
           ReadSwitch(args, "--raw-stereo", flags.stereo, error) &&
           ReadSwitch(args, "--raw-swap", flags.byteSwap, error) &&
           ReadCount(args, "--raw-rate", flags.sampleRate, error, 1, kMaxRate) &&
           ReadCount(args, "--raw-offset", flags.dataOffset, error) &&
           ReadCount(args, "--raw-size", flags.sampleSize, error);
}
