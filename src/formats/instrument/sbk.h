// SoundFont banks: the version-1 records and generator numbers shared by the reader and the
// writer, and what the writers of both versions share (pitch and envelope conversions, the
// sample sink). Little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/sinks.h"
#include "support/byte_reader.h"
#include "support/endian.h"

class File;
class WaveStore;

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
    kGenStartLoopOffset = 2,  // samples added to the sample header's loop start
    kGenEndLoopOffset = 3,
    kGenPan = 17,
    kGenSustainModEnv = 29,
    kGenSustainVolEnv = 37,
    kGenInstrument = 41,
    kGenKeyRange = 43,
    kGenInitialAttenuation = 48,
    kGenCoarseTune = 51,  // semitones
    kGenFineTune = 52,    // cents
    kGenSampleId = 53,
    kGenSampleModes = 54,
    kGenPitch = 55,  // the zone's pitch in cents: 6000 plays the sample at 44100 Hz
    kGenOverridingRootKey = 58,
};

// A half-open range of record indices.
struct SbkRange {
    std::uint32_t first = 0;
    std::uint32_t end = 0;
};

// What the chunk walk of a SoundFont bank of either version finds. The header tables hold
// their terminal records; zone and generator ranges are made safe: each lies within its
// table and starts no earlier than the one before it ends, so a hostile bank costs no more
// work than its size.
struct SbkChunks {
    std::uint16_t version = 1;  // "ifil" major
    bool haveNames = false;     // "snam": version 1 only
    ByteReader names{std::span<const std::uint8_t>()};
    ByteReader sampleHeaders{std::span<const std::uint8_t>()};
    std::uint64_t sampleDataStart = 0;
    std::uint64_t sampleDataBytes = 0;
    std::vector<SbkPresetHeader> presets;
    std::vector<SbkInstrumentHeader> instruments;
    std::vector<SbkRange> presetZones;  // by preset header
    std::vector<SbkRange> instrumentZones;
    std::vector<SbkRange> presetZoneGenerators;  // by preset zone
    std::vector<SbkRange> instrumentZoneGenerators;
    std::vector<SbkGenerator> presetGenerators;
    std::vector<SbkGenerator> instrumentGenerators;
};

// Walks a SoundFont bank's RIFF tree; an "INAM" chunk renames the store's bank item.
SbkChunks ReadSbkChunks(WaveStore& store, const File& file);

// A preset's name, or for an unnamed one (a bank's drum kit) one a user can recognise.
std::string SbkPresetName(const SbkPresetHeader& header);

// A sample rate as the pitch generator's cents (44100 Hz → 6000), with the fine tune.
std::uint16_t SbkRateToCents(std::uint32_t sampleRate, std::int8_t fineTune);
// The pitch generator's cents as a sample rate.
std::uint32_t SbkCentsToRate(std::int32_t cents);
// The fine tune (1/128 semitone) in whole cents, truncated toward zero.
int SbkFineCents(std::int8_t fineTune);

// A wavesample's level (layer volume and its own, 0..127 each) as attenuation in centibels.
int SbkVolumeCentibels(std::uint8_t layerVolume, std::uint8_t waveVolume);

// The volume envelope a SoundFont (or any ADSR sampler) comes nearest to a kept GF1 envelope
// with: real times in seconds and the sustain level as attenuation in centibels.
struct VolumeEnvelope {
    double attack;
    double decay;    // from the peak down to the sustain level
    double release;  // from the sustain level to the end
    int sustainCentibels;
};
// False when the wavesample keeps no envelope a sampler would play: none kept, a wave that does
// not loop, or one whose envelope is off (a GF1 patch plays those without one too).
bool SbkVolumeEnvelope(const WavesampleRec& wave, VolumeEnvelope& envelope);
// Seconds as the SoundFont's timecents, within the range its envelope generators take.
std::int16_t SbkTimecents(double seconds);

// Sample data as a SoundFont stores it: signed 16-bit little-endian, 8-bit data widened
// (× 256); stereo mixed to mono, or with `channel` 0 or 1 only that channel.
class SoundFontSink : public SampleSink {
public:
    SoundFontSink(File& file, const char* location, int channel = -1)
        : file_(file), location_(location), channel_(channel)
    {
    }
    bool Take(const PcmFormat& format, std::uint8_t* data, std::uint32_t frames) override;

private:
    File& file_;
    const char* location_;
    int channel_;
    std::vector<std::uint8_t> widened_;
};

// What a bank writer writes of an item: its instruments (a wavesample alone, and in a bank each
// wavesample of no instrument, as one of a single region over the keys it claims, at full
// volume) and their wavesamples, each once, in the order they come.
struct BankZone {
    WavesampleRec* wave;
    std::uint8_t lowKey;
    std::uint8_t highKey;
};
struct BankInstrument {
    const char* name;
    std::uint8_t volume;  // the layer's
    int program;          // 0..127, or -1 for none
    std::vector<BankZone> zones;
};
struct BankContents {
    std::vector<BankInstrument> instruments;
    std::vector<WavesampleRec*> waves;
    std::vector<ItemId> waveIds;
};
// False for the folder, which no bank holds.
bool CollectBank(const WaveStore& store, ItemId item, BankContents& contents);
