// MikMod Unimod modules (UN00..UN04): instruments with their sample maps and sample records in
// sequence, then patterns and tracks, then the sample data of every sample in record order.
// Little-endian.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "uni_Read";

struct UniHeader {
    char signature[3];  // "UN0"
    char version;       // '0'..'4'
    std::uint8_t channels;
    le16 positions;
    le16 patterns;
    le16 tracks;
    le16 instruments;
    std::uint8_t speed;
    std::uint8_t tempo;
    std::uint8_t positionTable[256];
    std::uint8_t panning[32];
    std::uint8_t flags;
};
static_assert(sizeof(UniHeader) == 304);
static_assert(offsetof(UniHeader, patterns) == 7 && offsetof(UniHeader, instruments) == 11);

struct UniInstrument {
    std::uint8_t sampleCount;
    std::uint8_t sampleMap[96];  // the instrument's own sample for each note from C-0
    std::uint8_t envelopes[112];
};
static_assert(sizeof(UniInstrument) == 209);

struct UniSample {
    le16 c2Rate;
    std::int8_t transpose;
    std::uint8_t volume;   // 0..64
    std::uint8_t panning;  // 0..255
    le32 length;           // frames
    le32 loopStart;
    le32 loopEnd;
    le16 flags;  // bit 0 16-bit, bit 2 signed, bit 3 loop, bit 4 bidirectional, bit 5 delta-coded
};
static_assert(sizeof(UniSample) == 19);
static_assert(offsetof(UniSample, length) == 5 && offsetof(UniSample, flags) == 17);

constexpr std::uint16_t k16Bit = 1, kSigned = 4, kLoop = 8, kBidirectional = 16, kDelta = 32;
constexpr std::size_t kMaxText = 2048;
constexpr int kFirstKey = 12;

// A text is a 16-bit count and its characters; longer texts are cut here.
struct Text {
    char chars[kMaxText];
    int length = 0;

    explicit Text(ByteReader& reader)
    {
        const std::uint16_t count = reader.Le16();
        length = static_cast<int>(std::min<std::size_t>(count, kMaxText));
        reader.Read(chars, static_cast<std::size_t>(length));
        reader.Skip(count - static_cast<std::uint64_t>(length));
    }
};

void SkipText(ByteReader& reader)
{
    reader.Skip(reader.Le16());
}

WavesampleRec& NewSample(WaveStore& store, std::uint32_t index, const UniSample& s, const Text& name)
{
    const bool delta = (s.flags & kDelta) != 0;
    WavesampleRec& wave = *store.NewWavesample(index, delta ? delta_Copy : std_Copy, name.chars, name.length);
    wave.layout.coding = delta ? SampleCoding::Delta : SampleCoding::Pcm;
    wave.layout.bits = s.flags & k16Bit ? 16 : 8;
    wave.layout.isSigned = (s.flags & kSigned) != 0;
    wave.volume = TrackerVolume(s.volume);
    wave.pan = s.panning / 2;
    wave.loopStart = s.loopStart;
    wave.loopEnd = s.loopEnd;
    if (s.flags & kLoop) wave.loopFlags |= kLoopFound;
    if (s.flags & kBidirectional) wave.loopFlags |= kLoopBidirectional;
    return wave;
}

struct Made {
    std::uint32_t index;
    std::uint32_t frames;
};

// Instrument `n` and its samples; false when the file ends inside them.
bool ReadInstrument(WaveStore& store, ByteReader& reader, std::uint32_t n, std::vector<Made>& made)
{
    const auto r = reader.Get<UniInstrument>();
    const Text name(reader);
    if (reader.Truncated()) return false;
    if (r.sampleCount == 0) return true;
    InstrumentRec& instrument = *store.NewInstrument(n, NO_ITEM, name.chars, name.length);
    for (int k = 0; k < 96; ++k) instrument.layer.keyMap[kFirstKey + k] = kWaveKind | (n * 256 + r.sampleMap[k]);
    for (std::uint32_t s = 0; s < r.sampleCount; ++s) {
        const auto sample = reader.Get<UniSample>();
        const Text sampleName(reader);
        if (reader.Truncated()) return false;
        if (sample.length == 0) continue;
        NewSample(store, n * 256 + s, sample, sampleName);
        made.push_back({n * 256 + s, sample.length});
    }
    return true;
}

}  // namespace

int uni_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "UN0", 3) == 0 ? 2 : 0;
}

bool uni_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<UniHeader>();
    if (std::memcmp(h.signature, "UN0", 3) != 0) return Fail(kWhere, "Not a MikMod Unimod module");
    if (h.version < '0' || h.version > '9') return Fail(kWhere, "Unknown Unimod version");
    if (h.version > '4') store.host.Warn("Warning! unimod later than v04, don't know if it'll work...");
    const Text songName(reader);
    store.NewBank(songName.chars, songName.length);
    SkipText(reader);  // composer
    if (h.version >= '1') SkipText(reader);
    std::vector<Made> made;
    for (std::uint32_t n = 0; n < h.instruments; ++n) {
        if (!ReadInstrument(store, reader, n, made)) break;
    }
    reader.Skip(std::uint64_t{h.patterns} * 2);
    reader.Skip(std::uint64_t{h.channels} * h.patterns * 2);
    for (std::uint32_t t = 0; t < h.tracks && !reader.Truncated(); ++t) SkipText(reader);
    // Every sample's data follows the last track, back to back.
    std::uint64_t offset = reader.Offset();
    for (const Made& m : made) {
        offset += PlaceSampleData(store, *store.FetchWave(kWaveKind | m.index), reader.Size(), offset, m.frames);
    }
    return true;
}
