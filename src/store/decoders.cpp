// Sample decoders.
#include "store/decoders.h"

#include <algorithm>

#include "support/endian.h"

const std::int16_t kImaStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// G.711: a sign bit, a 3-bit segment and a 4-bit mantissa; mu-law is stored inverted and
// biased by 0x84, A-law has its even bits inverted.
std::int16_t MuLawToLinear(std::uint8_t code)
{
    const unsigned u = ~code & 0xFFu;
    const int magnitude = ((static_cast<int>(u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return static_cast<std::int16_t>((u & 0x80) != 0 ? 0x84 - magnitude : magnitude - 0x84);
}

std::int16_t ALawToLinear(std::uint8_t code)
{
    const unsigned a = code ^ 0x55u;
    const unsigned segment = (a & 0x70) >> 4;
    int magnitude = static_cast<int>(a & 0x0F) << 4;
    magnitude += segment == 0 ? 8 : 0x108;
    if (segment > 1) magnitude <<= segment - 1;
    return static_cast<std::int16_t>((a & 0x80) != 0 ? magnitude : -magnitude);
}

void ExpandMuLaw(std::uint8_t* output, const std::uint8_t* input, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        StoreLe16(output + 2 * i, static_cast<std::uint16_t>(MuLawToLinear(input[i])));
    }
}

void ExpandALaw(std::uint8_t* output, const std::uint8_t* input, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        StoreLe16(output + 2 * i, static_cast<std::uint16_t>(ALawToLinear(input[i])));
    }
}

void DeltaDecode8(std::uint8_t* buffer, std::size_t count)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) buffer[i] = sum = static_cast<std::uint8_t>(sum + buffer[i]);
}

void DeltaDecode16(std::uint8_t* buffer, std::size_t count)
{
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* p = buffer + 2 * i;
        sum = static_cast<std::uint16_t>(sum + static_cast<std::uint16_t>(LoadLe16s(p)));
        StoreLe16(p, sum);
    }
}

namespace {

std::int16_t Clamp16(std::int64_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767));
}

// One IMA code of 2, 3 or 4 bits: the sign is the top bit, the rest add halved steps.
struct ImaCodeShape {
    int indexChange[8];
};
constexpr ImaCodeShape kImaShapes[3] = {
    {{-1, 2}},                         // 2 bits
    {{-1, -1, 1, 2}},                  // 3 bits
    {{-1, -1, -1, -1, 2, 4, 6, 8}},   // 4 bits
};

// Reads channel `channel`'s codes: its 4-byte words, one per group of 4 × channels bytes,
// form one bit stream, least significant bit first.
class ImaCodeStream {
public:
    ImaCodeStream(const std::uint8_t* block, std::size_t blockBytes, unsigned channels, unsigned channel)
        : block_(block), blockBytes_(blockBytes), channels_(channels), channel_(channel)
    {
    }
    unsigned Next(unsigned bits)
    {
        unsigned code = 0;
        for (unsigned b = 0; b < bits; ++b, ++bit_) {
            const std::size_t word = bit_ / 32;
            const std::size_t at = 4 * channels_ * (word + 1) + 4 * channel_ + (bit_ % 32) / 8;
            const unsigned value = at < blockBytes_ ? block_[at] : 0;
            code |= ((value >> (bit_ % 8)) & 1u) << b;
        }
        return code;
    }

private:
    const std::uint8_t* block_;
    std::size_t blockBytes_;
    std::size_t channels_;
    std::size_t channel_;
    std::size_t bit_ = 0;
};

}  // namespace

std::size_t DecodeImaBlock(std::uint8_t* output, const std::uint8_t* block, std::size_t blockBytes,
                           std::size_t frames, unsigned channels, unsigned bits)
{
    if (bits < 2 || bits > 4 || channels == 0 || blockBytes < 4 * channels || frames == 0) return 0;
    const ImaCodeShape& shape = kImaShapes[bits - 2];
    const unsigned signBit = 1u << (bits - 1);
    for (unsigned c = 0; c < channels; ++c) {
        int predictor = LoadLe16s(block + 4 * c);
        int index = std::min<int>(block[4 * c + 2], 88);
        StoreLe16(output + 2 * c, static_cast<std::uint16_t>(predictor));
        ImaCodeStream codes(block, blockBytes, channels, c);
        for (std::size_t f = 1; f < frames; ++f) {
            const unsigned code = codes.Next(bits);
            const int step = kImaStepTable[index];
            // The smallest part is step >> (bits - 1); each magnitude bit adds a doubled part.
            int difference = step >> (bits - 1);
            for (unsigned b = 0; b + 1 < bits; ++b) {
                if ((code & (1u << b)) != 0) difference += step >> (bits - 2 - b);
            }
            if ((code & signBit) != 0) difference = -difference;
            index = std::clamp(index + shape.indexChange[code & (signBit - 1)], 0, 88);
            predictor = Clamp16(predictor + difference);
            StoreLe16(output + 2 * (f * channels + c), static_cast<std::uint16_t>(predictor));
        }
    }
    return frames;
}

namespace {

constexpr int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                   768, 614, 512, 409, 307, 230, 230, 230};
// The step stays at 16 or above; the upper cap only keeps a hostile block's arithmetic in
// range (any larger step saturates every sample anyway).
constexpr std::int64_t kMsMinDelta = 16;
constexpr std::int64_t kMsMaxDelta = 0x7FFFFFFF / 768;

struct MsChannelState {
    const MsAdpcmCoefficient* coefficient;
    std::int64_t delta;
    std::int64_t sample1;
    std::int64_t sample2;
};

std::int16_t MsAdpcmStep(MsChannelState& s, int code)
{
    const std::int64_t prediction =
        (s.sample1 * s.coefficient->first + s.sample2 * s.coefficient->second) >> 8;
    const std::int16_t value = Clamp16(prediction + code * s.delta);
    s.delta = std::clamp<std::int64_t>((kMsAdaptation[code & 15] * s.delta) >> 8, kMsMinDelta, kMsMaxDelta);
    s.sample2 = s.sample1;
    s.sample1 = value;
    return value;
}

}  // namespace

std::size_t DecodeMsAdpcmBlock(std::uint8_t* output, const std::uint8_t* block, std::size_t blockBytes,
                               unsigned channels, std::size_t samplesPerBlock,
                               unsigned coefficientCount, const MsAdpcmCoefficient* coefficients)
{
    if (channels == 0 || channels > 2 || 7 * channels > blockBytes || samplesPerBlock < 2) return 0;
    MsChannelState state[2] = {};
    for (unsigned c = 0; c < channels; ++c) {
        const unsigned predictor = block[c];
        if (predictor >= coefficientCount || predictor > 6) return 0;
        state[c].coefficient = &coefficients[predictor];
        state[c].delta = LoadLe16s(block + channels + 2 * c);
        state[c].sample1 = LoadLe16s(block + 3 * channels + 2 * c);
        state[c].sample2 = LoadLe16s(block + 5 * channels + 2 * c);
        StoreLe16(output + 2 * c, static_cast<std::uint16_t>(state[c].sample2));
        StoreLe16(output + 2 * (channels + c), static_cast<std::uint16_t>(state[c].sample1));
    }
    std::size_t frames = 2;
    std::size_t nibble = 0;  // counts codes; two per byte, high nibble first
    const std::uint8_t* codes = block + 7 * channels;
    const std::size_t codeBytes = blockBytes - 7 * channels;
    while (frames < samplesPerBlock && (nibble + channels - 1) / 2 < codeBytes) {
        for (unsigned c = 0; c < channels; ++c, ++nibble) {
            const std::uint8_t byte = codes[nibble / 2];
            const int raw = (nibble % 2 == 0) ? byte >> 4 : byte & 0x0F;
            const int code = raw >= 8 ? raw - 16 : raw;
            StoreLe16(output + 2 * (frames * channels + c), static_cast<std::uint16_t>(MsAdpcmStep(state[c], code)));
        }
        ++frames;
    }
    return frames;
}
