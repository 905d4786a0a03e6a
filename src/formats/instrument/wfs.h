// WavePatch bank, drum kit and program files of the WaveFront synthesizer: the records shared
// by the reader and the writer, sample positions in 20.4 fixed point, and the pitch as a
// frequency bias in 1/2048 octave. Little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/endian.h"

struct WfsHeader {
    char maker[32];  // "Maui"
    char type[32];   // "Bank", "DrumKit" or "Program", zero-terminated
    le16 version;    // × 100; 120 and later are read
    le16 programs;
    le16 reserved0;
    le16 patches;
    le16 samples;
    le16 reserved1;
    le32 programOffset;
    le32 reserved2;
    le32 patchOffset;
    le32 sampleOffset;
    le32 reserved3;
    le32 sampleBytes;
    le32 one;
    char name[64];
    std::uint8_t reserved4[62];
};
static_assert(sizeof(WfsHeader) == 230);
static_assert(offsetof(WfsHeader, patches) == 70 && offsetof(WfsHeader, sampleOffset) == 88);
static_assert(offsetof(WfsHeader, name) == 104);

struct WfsProgram {
    std::uint8_t layers[4][4];  // patch number, level, split, flags
    std::uint8_t reserved[2];
    char name[32];
};
static_assert(sizeof(WfsProgram) == 50);

struct WfsPatch {
    std::uint8_t head[2];
    std::uint8_t level;  // low 7 bits: the layer volume
    std::uint8_t mode;
    std::uint8_t sample;      // low 8 bits of the sample number
    std::uint8_t sampleHigh;  // bit 4: bit 8 of the sample number
    std::uint8_t parameters[6];
    std::uint8_t reserved1[22];
    std::uint8_t envelope[14];
    std::uint8_t reserved2[18];
    le16 number;
    char name[32];
};
static_assert(sizeof(WfsPatch) == 100);
static_assert(offsetof(WfsPatch, envelope) == 34 && offsetof(WfsPatch, number) == 66);

enum WfsSampleKind : std::uint16_t { kWfsSample = 0, kWfsMultisample = 1, kWfsAlias = 2 };

struct WfsSampleHeader {
    le32 size;  // of the whole record
    le16 kind;
    le16 number;
    char name[32];
    le32 sampleRate;
    le32 dataBytes;  // after the path
    le32 length;     // samples of embedded data
    le16 channel;    // 0..2 mono; anything else a stereo sample
    std::uint8_t reserved[62];
};
static_assert(sizeof(WfsSampleHeader) == 116);
static_assert(offsetof(WfsSampleHeader, channel) == 52);

// Flags of a sample block and an alias.
constexpr std::uint8_t kWfsResolution = 0x03;  // 0 16-bit, 2 8-bit
constexpr std::uint8_t kWfs8Bit = 0x02;
constexpr std::uint8_t kWfsLoop = 0x08;
constexpr std::uint8_t kWfsBidirectional = 0x10;
constexpr std::uint8_t kWfsReverse = 0x40;

struct WfsSampleBlock {  // positions in 20.4
    le32 start;
    le32 loopStart;
    le32 loopEnd;
    le32 end;
    le16 bias;
    std::uint8_t flags;
    std::uint8_t unused;
};
static_assert(sizeof(WfsSampleBlock) == 20);

constexpr std::size_t kWfsPathBytes = 260;

struct WfsMultisample {
    le16 keysLog2;  // 2^n entries are used
    le16 samples[128];
};
static_assert(sizeof(WfsMultisample) == 258);

struct WfsAlias {
    le16 base;
    le32 start;
    le32 loopStart;
    le32 end;
    le32 loopEnd;
    le16 bias;
    std::uint8_t flags;
    std::uint8_t unused;
};
static_assert(sizeof(WfsAlias) == 22);
static_assert(offsetof(WfsAlias, bias) == 18);

// Integer part and fraction (1/16 sample) of a 20.4 position.
constexpr std::uint32_t WfsWhole(std::uint32_t position) { return (position >> 4) & 0xFFFFF; }
constexpr std::uint32_t WfsFraction(std::uint32_t position) { return position & 15; }
constexpr std::uint32_t WfsPosition(std::uint32_t whole, std::uint8_t fraction256)
{
    return (whole & 0xFFFFF) << 4 | fraction256 >> 4;
}

// The pitch of a sample as root key and fine tune (1/128 semitone), and back.
struct WfsPitch {
    std::uint8_t rootKey;
    std::int8_t fineTune;
};
WfsPitch wfs_BiasToPitch(std::int16_t bias, std::uint32_t sampleRate);
std::int16_t wfs_PitchToBias(std::uint8_t rootKey, std::int8_t fineTune, std::uint32_t sampleRate);
