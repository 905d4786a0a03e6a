// Fast Tracker 2 extended modules (XM): instruments with their key maps and delta-coded
// samples; the sample headers and data are read here for extended instruments too.
// Little-endian.
#include <strings.h>

#include <cmath>
#include <cstddef>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "xm_Read";
constexpr char kMagic[] = "Extended Module: ";  // compared in any case

struct XmHeader {
    char magic[17];
    char name[20];
    std::uint8_t marker;
    char tracker[20];
    le16 version;
    le32 headerSize;  // counted from here: the patterns start at 60 + headerSize
    le16 songLength;
    le16 restart;
    le16 channels;
    le16 patternCount;
    le16 instrumentCount;
    le16 flags;  // bit 0: linear frequency table
};
static_assert(sizeof(XmHeader) == 76);
static_assert(offsetof(XmHeader, headerSize) == 60 && offsetof(XmHeader, flags) == 74);

constexpr std::uint32_t kHeaderFieldsSize = sizeof(XmHeader) - 60;

struct XmPatternHead {
    le32 headerLength;
    std::uint8_t packing;
    le16 rows;
    le16 packedSize;
};
static_assert(sizeof(XmPatternHead) == 9);

struct XmInstrumentHead {
    le32 size;  // of the instrument header, counted from its start
    char name[22];
    std::uint8_t type;
    le16 sampleCount;
};
static_assert(sizeof(XmInstrumentHead) == 29);

// The rest of the header of an instrument with samples.
struct XmInstrumentSamples {
    le32 sampleHeaderSize;
    std::uint8_t sampleMap[96];  // the instrument's own sample for each note from C-0
    std::uint8_t envelopes[114];
};
static_assert(sizeof(XmInstrumentSamples) == 214);

struct XmSampleHeader {
    le32 length;  // bytes
    le32 loopStart;
    le32 loopLength;
    std::uint8_t volume;   // 0..64
    std::int8_t fineTune;  // 1/128 semitone
    std::uint8_t type;     // bit 0 forward loop, bit 1 ping-pong loop, bit 4 16-bit data
    std::uint8_t panning;
    std::int8_t relativeNote;
    std::uint8_t reserved;
    char name[22];
};
static_assert(sizeof(XmSampleHeader) == 40);

// Amiga periods of the octave's notes, for modules without the linear table.
constexpr int kNotePeriods[12] = {907, 856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480};

std::uint32_t SampleRate(int relativeNote, bool linear)
{
    if (linear) return static_cast<std::uint32_t>(16726.0 * std::exp2(relativeNote / 12.0));
    // Octaves below the note's own octave, so that the note indexes the table.
    const int octave = relativeNote >= 0 ? relativeNote / 12 : -((11 - relativeNote) / 12);
    const int note = relativeNote - 12 * octave;
    return static_cast<std::uint32_t>(28634912.0 * std::exp2(octave) / (16.0 * kNotePeriods[note]));
}

bool HasMagic(const char* head)
{
    return strncasecmp(head, kMagic, sizeof kMagic - 1) == 0;
}

void SkipPatterns(ByteReader& reader, std::uint32_t count)
{
    for (std::uint32_t p = 0; p < count && !reader.Truncated(); ++p) {
        const std::uint64_t start = reader.Tell();
        const auto head = reader.Get<XmPatternHead>();
        reader.Seek(start + head.headerLength + head.packedSize);
    }
}

}  // namespace

int xm_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return HasMagic(reinterpret_cast<const char*>(head.data())) ? 2 : 0;
}

std::uint64_t xm_ReadSample(WaveStore& store, ByteReader& reader, std::uint64_t skip, std::uint32_t instrument,
                            std::uint32_t sample, bool linear)
{
    const auto h = reader.Get<XmSampleHeader>();
    reader.Skip(skip);
    WavesampleRec& wave = *store.NewWavesample(instrument * 256 + sample, delta_Copy, h.name, sizeof h.name);
    const int shift = h.type & 0x10 ? 1 : 0;
    wave.layout.coding = SampleCoding::Delta;
    wave.layout.bits = shift != 0 ? 16 : 8;
    wave.length = h.length >> shift;
    wave.loopStart = h.loopStart >> shift;
    wave.loopEnd = static_cast<std::uint32_t>((std::uint64_t{h.loopStart} + h.loopLength) >> shift);
    wave.volume = TrackerVolume(h.volume);
    wave.pan = h.panning / 2;
    wave.fineTune = h.fineTune;
    if (h.type & 2) {
        wave.loopFlags = kLoopFound | kLoopBidirectional;
    } else if (h.type & 1) {
        wave.loopFlags = kLoopFound;
    }
    wave.sampleRate = SampleRate(h.relativeNote, linear);
    return h.length;
}

void xm_ReadSamples(WaveStore& store, ByteReader& reader, std::uint32_t headerSize, std::uint32_t instrument,
                    std::uint32_t count, bool linear)
{
    // A header is never shorter than its fields, whatever the file says.
    const std::uint64_t skip = headerSize > sizeof(XmSampleHeader) ? headerSize - sizeof(XmSampleHeader) : 0;
    std::uint64_t stored[kXmMaxSamples] = {};
    for (std::uint32_t s = 0; s < count; ++s) stored[s] = xm_ReadSample(store, reader, skip, instrument, s, linear);
    std::uint64_t offset = reader.Offset();
    for (std::uint32_t s = 0; s < count; ++s) {
        const ItemId id = kWaveKind | (instrument * 256 + s);
        WavesampleRec& wave = *store.FetchWave(id);
        PlaceSampleData(store, wave, reader.Size(), offset, wave.length);
        offset += stored[s];
        if (wave.length < 2) store.DeleteItem(id);
    }
    reader.Seek(offset);
}

bool xm_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<XmHeader>();
    if (!HasMagic(h.magic)) return Fail(kWhere, "Not an XM - Extended Module file");
    if (h.headerSize < kHeaderFieldsSize || 60 + std::uint64_t{h.headerSize} > reader.Size()) {
        return Fail(kWhere, "The module header size is out of range");
    }
    store.NewBank(h.name, sizeof h.name);
    const bool linear = (h.flags & 1) != 0;
    reader.Seek(60 + std::uint64_t{h.headerSize});
    SkipPatterns(reader, h.patternCount);
    for (std::uint32_t n = 0; n < h.instrumentCount && !reader.Truncated(); ++n) {
        const std::uint64_t start = reader.Tell();
        const auto head = reader.Get<XmInstrumentHead>();
        if (head.sampleCount == 0) {
            reader.Seek(start + head.size);
            continue;
        }
        if (head.sampleCount > kXmMaxSamples) return Fail(kWhere, "An instrument has more than 16 samples");
        const auto samples = reader.Get<XmInstrumentSamples>();
        reader.Seek(start + head.size);
        InstrumentRec& instrument = *store.NewInstrument(n, NO_ITEM, head.name, sizeof head.name);
        for (int k = 0; k < 96; ++k) instrument.layer.keyMap[k + 12] = kWaveKind | (n * 256 + samples.sampleMap[k]);
        xm_ReadSamples(store, reader, samples.sampleHeaderSize, n, head.sampleCount, linear);
    }
    return true;
}
