// SoundFont 2: the sample header and the generator numbers beyond those of version 1 (whose
// preset, instrument, zone and generator records version 2 keeps, sbk.h). Little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/instrument/sbk.h"

struct Sf2SampleHeader {  // in samples from the start of the sample data
    char name[20];
    le32 start;
    le32 end;  // the first sample after the sample
    le32 loopStart;
    le32 loopEnd;
    le32 sampleRate;
    std::uint8_t originalPitch;  // MIDI key; 255: unpitched
    std::int8_t pitchCorrection;  // cents
    le16 sampleLink;
    le16 sampleType;
};
static_assert(sizeof(Sf2SampleHeader) == 46);
static_assert(offsetof(Sf2SampleHeader, sampleRate) == 36 && offsetof(Sf2SampleHeader, sampleType) == 44);

// sampleType bits.
enum Sf2SampleType : std::uint16_t {
    kSf2MonoSample = 1,
    kSf2RightSample = 2,
    kSf2LeftSample = 4,
    kSf2LinkedSample = 8,
    kSf2RomSample = 0x8000,
};

enum Sf2GeneratorNumber : std::uint16_t {
    kSf2DelayVolEnv = 33,  // timecents
    kSf2AttackVolEnv = 34,
    kSf2HoldVolEnv = 35,
    kSf2DecayVolEnv = 36,  // sustain (37, centibels below the peak) as in version 1
    kSf2ReleaseVolEnv = 38,
    kSf2StartLoopCoarseOffset = 45,  // 32768 samples
    kSf2EndLoopCoarseOffset = 50,
};
