// SoundFont bank format version 1: records and generator numbers shared by the reader and the
// writer, and the pitch conversions. Little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/endian.h"

struct SbkPresetHeader {
    char name[20];
    le16 preset;
    le16 bank;
    le16 firstZone;
    le32 library;
    le32 genre;
    le32 morphology;
};
static_assert(sizeof(SbkPresetHeader) == 38);

struct SbkInstrumentHeader {
    char name[20];
    le16 firstZone;
};
static_assert(sizeof(SbkInstrumentHeader) == 22);

struct SbkZone {
    le16 generator;
    le16 modulator;
};
static_assert(sizeof(SbkZone) == 4);

struct SbkGenerator {
    le16 number;
    le16 amount;
};
static_assert(sizeof(SbkGenerator) == 4);

struct SbkSampleHeader {  // in samples from the start of the sample data
    le32 start;
    le32 end;
    le32 loopStart;
    le32 loopEnd;
};
static_assert(sizeof(SbkSampleHeader) == 16);

enum SbkGeneratorNumber : std::uint16_t {
    kGenPan = 17,
    kGenSustainModEnv = 29,
    kGenSustainVolEnv = 37,
    kGenInstrument = 41,
    kGenKeyRange = 43,
    kGenInitialAttenuation = 48,
    kGenSampleId = 53,
    kGenSampleModes = 54,
    kGenPitch = 55,  // the zone's pitch in cents: 6000 plays the sample at 44100 Hz
    kGenOverridingRootKey = 58,
};

// A sample rate as the pitch generator's cents (44100 Hz → 6000), with the fine tune.
std::uint16_t SbkRateToCents(std::uint32_t sampleRate, std::int8_t fineTune);
// The pitch generator's cents as a sample rate.
std::uint32_t SbkCentsToRate(std::int32_t cents);
