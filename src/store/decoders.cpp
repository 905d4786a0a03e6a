// Sample decoders.
#include "store/decoders.h"

#include <algorithm>
#include <cstdint>
#include <vector>

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

namespace {

// All 256 expansions of a G.711 law, worked out once.
struct G711Table {
    explicit G711Table(std::int16_t (*law)(std::uint8_t))
    {
        for (unsigned code = 0; code < 256; ++code) value[code] = static_cast<std::uint16_t>(law(static_cast<std::uint8_t>(code)));
    }
    void Expand(std::uint8_t* output, const std::uint8_t* input, std::size_t count) const
    {
        for (std::size_t i = 0; i < count; ++i) StoreLe16(output + 2 * i, value[input[i]]);
    }
    std::uint16_t value[256];
};

}  // namespace

void ExpandMuLaw(std::uint8_t* output, const std::uint8_t* input, std::size_t count)
{
    static const G711Table table(MuLawToLinear);
    table.Expand(output, input, count);
}

void ExpandALaw(std::uint8_t* output, const std::uint8_t* input, std::size_t count)
{
    static const G711Table table(ALawToLinear);
    table.Expand(output, input, count);
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

// Index changes by code magnitude, for codes of 2, 3 and 4 bits.
constexpr int kImaIndexChange2[2] = {-1, 2};
constexpr int kImaIndexChange3[4] = {-1, -1, 1, 2};
constexpr int kImaIndexChange4[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

template <unsigned Bits>
constexpr const int* ImaIndexChanges()
{
    if constexpr (Bits == 2) return kImaIndexChange2;
    if constexpr (Bits == 3) return kImaIndexChange3;
    return kImaIndexChange4;
}

// Reads channel `channel`'s codes: its 4-byte words, one per group of 4 × channels bytes,
// form one bit stream, least significant bit first.
class ImaCodeStream {
public:
    ImaCodeStream(const std::uint8_t* block, std::size_t blockBytes, unsigned channels, unsigned channel)
        : block_(block), blockBytes_(blockBytes), channels_(channels), channel_(channel)
    {
    }
    template <unsigned Bits>
    unsigned Next()
    {
        if constexpr (32 % Bits == 0) {  // 2- and 4-bit codes never cross a word
            const unsigned code = (Word(bit_ / 32) >> (bit_ % 32)) & ((1u << Bits) - 1);
            bit_ += Bits;
            return code;
        }
        unsigned code = 0;
        for (unsigned got = 0; got < Bits;) {
            const unsigned inWord = bit_ % 32;
            const unsigned take = std::min(Bits - got, 32 - inWord);
            code |= ((Word(bit_ / 32) >> inWord) & ((1u << take) - 1)) << got;
            got += take;
            bit_ += take;
        }
        return code;
    }

private:
    // The channel's 32-bit word `index`; what lies past the block reads as 0.
    std::uint32_t Word(std::size_t index)
    {
        if (index == wordIndex_) return word_;
        const std::size_t at = 4 * channels_ * (index + 1) + 4 * channel_;
        word_ = 0;
        if (at + 4 <= blockBytes_) {
            word_ = block_[at] | block_[at + 1] << 8 | block_[at + 2] << 16 | std::uint32_t{block_[at + 3]} << 24;
        } else {
            for (std::size_t i = 0; at + i < blockBytes_; ++i) word_ |= std::uint32_t{block_[at + i]} << (8 * i);
        }
        wordIndex_ = index;
        return word_;
    }

    const std::uint8_t* block_;
    std::size_t blockBytes_;
    std::size_t channels_;
    std::size_t channel_;
    std::size_t bit_ = 0;
    std::size_t wordIndex_ = SIZE_MAX;
    std::uint32_t word_ = 0;
};

// One decoding step: the signed difference a code adds at a step index, and the next index.
struct ImaStep {
    int difference;
    int nextIndex;
};

// Every (index, code) step of the code width, worked out once: the sign is the top bit of a
// code; the smallest part of the difference is step >> (Bits - 1), and each magnitude bit adds
// a part twice the one below it.
template <unsigned Bits>
const ImaStep* ImaSteps()
{
    static constexpr unsigned kCodes = 1u << Bits;
    static const auto table = [] {
        std::vector<ImaStep> steps(89 * kCodes);
        const unsigned sign = kCodes / 2;
        for (int index = 0; index < 89; ++index) {
            const int step = kImaStepTable[index];
            for (unsigned code = 0; code < kCodes; ++code) {
                int difference = step >> (Bits - 1);
                for (unsigned b = 0; b + 1 < Bits; ++b) {
                    if ((code & (1u << b)) != 0) difference += step >> (Bits - 2 - b);
                }
                const int next = std::clamp(index + ImaIndexChanges<Bits>()[code & (sign - 1)], 0, 88);
                steps[static_cast<std::size_t>(index) * kCodes + code] = {(code & sign) != 0 ? -difference : difference, next};
            }
        }
        return steps;
    }();
    return table.data();
}

template <unsigned Bits>
void DecodeImaChannel(std::uint8_t* output, const std::uint8_t* block, std::size_t blockBytes,
                      std::size_t frames, unsigned channels, unsigned channel)
{
    const ImaStep* steps = ImaSteps<Bits>();
    int predictor = LoadLe16s(block + 4 * channel);
    int index = std::min<int>(block[4 * channel + 2], 88);
    StoreLe16(output + 2 * channel, static_cast<std::uint16_t>(predictor));
    ImaCodeStream codes(block, blockBytes, channels, channel);
    for (std::size_t f = 1; f < frames; ++f) {
        const ImaStep& step = steps[(static_cast<unsigned>(index) << Bits) | codes.Next<Bits>()];
        index = step.nextIndex;
        predictor = std::clamp(predictor + step.difference, -32768, 32767);
        StoreLe16(output + 2 * (f * channels + channel), static_cast<std::uint16_t>(predictor));
    }
}

}  // namespace

std::size_t DecodeImaBlock(std::uint8_t* output, const std::uint8_t* block, std::size_t blockBytes,
                           std::size_t frames, unsigned channels, unsigned bits)
{
    if (bits < 2 || bits > 4 || channels == 0 || blockBytes < 4 * channels || frames == 0) return 0;
    for (unsigned c = 0; c < channels; ++c) {
        if (bits == 2) DecodeImaChannel<2>(output, block, blockBytes, frames, channels, c);
        if (bits == 3) DecodeImaChannel<3>(output, block, blockBytes, frames, channels, c);
        if (bits == 4) DecodeImaChannel<4>(output, block, blockBytes, frames, channels, c);
    }
    return frames;
}

namespace {

constexpr int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                   768, 614, 512, 409, 307, 230, 230, 230};
// The step stays at 16 or above; the upper cap only keeps a hostile block's arithmetic in
// range (any larger step saturates every sample anyway).
constexpr int kMsMinDelta = 16;
constexpr int kMsMaxDelta = 0x7FFFFFFF / 768;

struct MsChannelState {
    int first;  // the predictor's coefficients
    int second;
    int delta;
    int sample1;
    int sample2;
};

inline int MsAdpcmStep(MsChannelState& s, int code)
{
    const int prediction = static_cast<int>((std::int64_t{s.sample1} * s.first + std::int64_t{s.sample2} * s.second) >> 8);
    const int value = std::clamp(prediction + code * s.delta, -32768, 32767);
    s.delta = std::clamp((kMsAdaptation[code & 15] * s.delta) >> 8, kMsMinDelta, kMsMaxDelta);
    s.sample2 = s.sample1;
    s.sample1 = value;
    return value;
}

// A 4-bit code as a signed value −8..7.
inline int SignedNibble(unsigned bits)
{
    return static_cast<int>((bits & 15) ^ 8) - 8;
}

// The codes after the block header: two per byte, high nibble first; in stereo each byte holds
// a frame (left, right). Only whole frames are decoded. Returns the frames, the header's two
// included. The channels' states live in locals, so that the decoding chain stays in registers.
template <unsigned Channels>
std::size_t DecodeMsCodes(std::uint8_t* output, const std::uint8_t* codes, std::size_t codeBytes,
                          std::size_t samplesPerBlock, const MsChannelState* state)
{
    MsChannelState left = state[0];
    MsChannelState right = state[Channels - 1];
    const std::size_t frames = std::min(samplesPerBlock - 2, 2 * codeBytes / Channels);
    std::uint8_t* out = output + 4 * Channels;
    for (std::size_t f = 0; f < frames; ++f) {
        if constexpr (Channels == 1) {
            const unsigned byte = codes[f >> 1];
            StoreLe16(out + 2 * f, static_cast<std::uint16_t>(MsAdpcmStep(left, SignedNibble((f & 1) != 0 ? byte : byte >> 4))));
        } else {
            StoreLe16(out + 4 * f, static_cast<std::uint16_t>(MsAdpcmStep(left, SignedNibble(codes[f] >> 4))));
            StoreLe16(out + 4 * f + 2, static_cast<std::uint16_t>(MsAdpcmStep(right, SignedNibble(codes[f]))));
        }
    }
    return 2 + frames;
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
        state[c].first = coefficients[predictor].first;
        state[c].second = coefficients[predictor].second;
        state[c].delta = LoadLe16s(block + channels + 2 * c);
        state[c].sample1 = LoadLe16s(block + 3 * channels + 2 * c);
        state[c].sample2 = LoadLe16s(block + 5 * channels + 2 * c);
        StoreLe16(output + 2 * c, static_cast<std::uint16_t>(state[c].sample2));
        StoreLe16(output + 2 * (channels + c), static_cast<std::uint16_t>(state[c].sample1));
    }
    const std::uint8_t* codes = block + 7 * channels;
    const std::size_t codeBytes = blockBytes - 7 * channels;
    return channels == 1 ? DecodeMsCodes<1>(output, codes, codeBytes, samplesPerBlock, state)
                         : DecodeMsCodes<2>(output, codes, codeBytes, samplesPerBlock, state);
}
