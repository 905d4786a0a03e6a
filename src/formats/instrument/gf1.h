// GF1 patch format: header tables shared by the reader and the writer, and the format's pitch
// and envelope conversions. Little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/endian.h"

struct PatchHeader {
    char text[12];  // "GF1PATCH110\0"
    char id[10];
    char description[60];  // copied into every instrument's note
    std::uint8_t instruments;
    std::uint8_t voices;  // the envelope time base
    std::uint8_t channels;
    le16 waves;
    le16 masterVolume;  // low byte becomes the layer volume
    le32 dataSize;
    std::uint8_t reserved[36];
};
static_assert(sizeof(PatchHeader) == 129);
static_assert(offsetof(PatchHeader, masterVolume) == 87);

struct PatchInstrumentHeader {
    le16 number;
    char name[16];
    le32 size;
    std::uint8_t layers;
    std::uint8_t reserved[40];
};
static_assert(sizeof(PatchInstrumentHeader) == 63);

struct PatchLayerHeader {
    std::uint8_t duplicate;
    std::uint8_t number;
    le32 size;
    std::uint8_t waves;
    std::uint8_t reserved[40];
};
static_assert(sizeof(PatchLayerHeader) == 47);

struct PatchWaveHeader {
    char name[7];
    std::uint8_t fractions;  // low nibble loop start, high nibble loop end, in 1/16 sample
    le32 size;               // bytes
    le32 loopStart;          // bytes
    le32 loopEnd;            // bytes
    le16 sampleRate;
    le32 lowFrequency;   // 1/1000 Hz
    le32 highFrequency;  // 1/1000 Hz
    le32 rootFrequency;  // 1/1000 Hz
    le16 tune;
    std::uint8_t balance;  // 0..15
    std::uint8_t envelopeRates[6];
    std::uint8_t envelopeOffsets[6];
    std::uint8_t tremolo[3];
    std::uint8_t vibrato[3];
    std::uint8_t modes;  // 1 16-bit, 2 unsigned, 4 loop, 8 bidirectional, 16 reverse, 32 sustain, 64 envelope, 128 clamped
    le16 scaleFrequency;
    le16 scaleFactor;
    std::uint8_t reserved[36];
};
static_assert(sizeof(PatchWaveHeader) == 96);
static_assert(offsetof(PatchWaveHeader, modes) == 55);

// Mode bits that differ from the store's loop bits: bit 6 is "envelope on" in a patch and
// "sampled release" in the store, so it travels inverted.
constexpr std::uint8_t kPatchEnvelopeBit = 0x40;
constexpr std::uint8_t kPatch16Bit = 0x01;
constexpr std::uint8_t kPatchUnsigned = 0x02;

// Key (and fine tune in 1/128 semitone) to frequency in 1/1000 Hz.
std::int32_t pat_KeyToFreq(std::int32_t key, std::int32_t fine);
// Frequency in 1/1000 Hz to the key that owns it; 255 for 0 and for frequencies above every
// key's.
std::uint8_t pat_FreqToKey(std::uint32_t frequency);
// A GF1 envelope rate byte to the time it takes between two levels, for a patch of `voices`.
std::int32_t pat_RateToTime(std::uint8_t rate, std::uint8_t from, std::uint8_t to, std::uint8_t voices);
// The inverse for a 14-voice patch.
std::uint8_t pat_TimeToRate(std::int32_t time, std::uint8_t from, std::uint8_t to);
// The real time, in seconds, that a GF1 envelope rate byte takes between two levels in a
// 14-voice patch (a rate whose increment is 0 never arrives: an hour).
double pat_RateToSeconds(std::uint8_t rate, std::uint8_t from, std::uint8_t to);
// An envelope level (0..255, the top of the card's logarithmic volume) as attenuation below
// level 255, in centibels.
int pat_LevelToCentibels(std::uint8_t level);
