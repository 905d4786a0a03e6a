// Digitrakker modules (MDL) and samples (SPL): each sample record becomes an instrument playing
// its one wavesample. 8-bit data may be bit-packed; spl_Copy unpacks it. Little-endian.
#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kMdl[] = "mdl_Read";
constexpr char kSpl[] = "spl_Read";
constexpr char kCopy[] = "spl_Copy";

// The record's fields after the rate, the same in both record layouts.
struct SampleTail {
    le32 length;  // samples; bytes for 16-bit samples of version 1 modules
    le32 loopStart;
    le32 loopLength;      // 0: no loop
    std::uint8_t volume;  // 0..255
    std::uint8_t flags;   // bit 0 16-bit, bit 1 ping-pong loop, bits 2..3 packing
};
static_assert(sizeof(SampleTail) == 14);

// The sample record of version 0 modules and of sample files.
struct SampleRecord0 {
    char sampleName[32];
    char fileName[8];
    le16 rate;  // C4
    SampleTail tail;
};
static_assert(sizeof(SampleRecord0) == 56);
static_assert(offsetof(SampleRecord0, tail) == 42);

// Version 1 modules widen the rate.
struct SampleRecord1 {
    char sampleName[32];
    char fileName[8];
    le32 rate;
    SampleTail tail;
};
static_assert(sizeof(SampleRecord1) == 58);
static_assert(offsetof(SampleRecord1, tail) == 44);

struct SplHeader {
    char magic[4];  // "DSPL"
    std::uint8_t version;
    SampleRecord0 record;
};
static_assert(sizeof(SplHeader) == 61);

struct ChunkHeader {
    char id[2];
    le32 size;
};
static_assert(sizeof(ChunkHeader) == 6);

enum Packing : unsigned { kPlain = 0, kPacked8 = 1 };  // 2 and 3: 16-bit packings, not read

// A module's sample record, for the walk over the data of all of them.
struct Slot {
    std::uint8_t number;
    bool packed;
    std::uint64_t plainBytes;
    bool superseded = false;
};

// A code takes 5 bits at the least: what bounds the samples packed bytes may claim.
constexpr std::uint64_t kShortestCode = 5;
constexpr std::uint32_t kPieceFrames = 1u << 14;

// The record routine: the wavesample and instrument of sample `number`, the length still the
// record's; null with LastError (`where`) for a packing not read.
template <class Record>
WavesampleRec* NewSample(WaveStore& store, const Record& r, std::uint32_t number, bool lengthsInBytes,
                         const char* where)
{
    const unsigned packing = (r.tail.flags >> 2) & 3;
    if (packing > kPacked8) {
        Fail(where, "Unknown packing method");
        return nullptr;
    }
    WavesampleRec& wave = *store.NewWavesample(number, spl_Copy, r.fileName, sizeof r.fileName);
    store.NewInstrument(number, number, r.sampleName, sizeof r.sampleName);
    const bool wide = (r.tail.flags & 1) != 0;
    const int shift = wide && lengthsInBytes ? 1 : 0;
    wave.sampleRate = r.rate;
    wave.length = r.tail.length >> shift;
    wave.loopStart = r.tail.loopStart >> shift;
    const std::uint64_t loopEnd = (std::uint64_t{r.tail.loopStart} + r.tail.loopLength) >> shift;
    wave.loopEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(loopEnd, UINT32_MAX));
    if (r.tail.loopLength != 0) wave.loopFlags = kLoopFound;
    if (r.tail.flags & 2) wave.loopFlags |= kLoopBidirectional;
    wave.volume = r.tail.volume / 2;
    wave.layout.bits = wide ? 16 : 8;
    wave.layout.isSigned = true;
    if (packing == kPacked8 && wide) {
        Fail(where, "Unsupported packmethode");
        return nullptr;
    }
    // Packed data is a stream of coded differences, which only spl_Copy unpacks.
    if (packing == kPacked8) wave.layout.coding = SampleCoding::Delta;
    return &wave;
}

// Packed data in `extent`: the wavesample keeps no more samples than the codes its bytes can
// begin; codes cut by the end are completed with zero bits.
void PlacePacked(WaveStore& store, WavesampleRec& wave, const ByteReader& extent)
{
    wave.layout.offset = extent.Offset();
    wave.layout.bytes = extent.Left();
    const std::uint64_t most = (extent.Left() * 8 + kShortestCode - 1) / kShortestCode;
    if (extent.Truncated() || wave.length > most) store.NoteCutShort(wave.length > most ? wave.length - most : 0);
    wave.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(wave.length, most));
    FitLoop(wave);
}

// One wavesample's data at the position of `data` (the "SA" chunk body), which moves past it:
// packed data after the count of its bytes, plain data of `length` samples.
void PlaceModuleData(WaveStore& store, WavesampleRec& wave, ByteReader& data)
{
    if (wave.layout.coding == SampleCoding::Delta) {
        const std::uint32_t bytes = data.Le32();
        PlacePacked(store, wave, data.Sub(bytes));
        return;
    }
    data.Skip(PlaceSampleData(store, wave, data.Offset() + data.Left(), data.Offset(), wave.length));
}

// Reads a packed stream least significant bit first, from the file in pieces; the bits after
// the stored bytes read as zeros.
class PackedBits {
public:
    PackedBits(const File& file, const SampleLayout& layout)
        : file_(file), next_(layout.offset), left_(layout.bytes), bitsLeft_(layout.bytes * 8)
    {
    }

    unsigned Bits(int count)
    {
        while (held_ < count) {
            if (at_ == have_) Load();
            accumulator_ |= std::uint32_t{at_ < have_ ? piece_[at_++] : std::uint8_t{0}} << held_;
            held_ += 8;
        }
        const unsigned value = accumulator_ & ((1u << count) - 1);
        accumulator_ >>= count;
        held_ -= count;
        bitsLeft_ -= std::min<std::uint64_t>(bitsLeft_, static_cast<std::uint64_t>(count));
        return value;
    }

    bool Ended() const { return bitsLeft_ == 0; }

private:
    void Load()
    {
        at_ = 0;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, sizeof piece_));
        have_ = want > 0 ? file_.ReadAt(next_, piece_, want) : 0;
        next_ += have_;
        left_ = have_ == want ? left_ - have_ : 0;  // a short read: the file ended early
    }

    const File& file_;
    std::uint64_t next_;
    std::uint64_t left_;      // stored bytes not loaded yet
    std::uint64_t bitsLeft_;  // stored bits not read yet
    std::uint8_t piece_[1u << 12];
    std::size_t at_ = 0, have_ = 0;
    std::uint32_t accumulator_ = 0;
    int held_ = 0;
};

// One difference: a sign bit; then either a flag bit 1 and 3 bits, or a flag bit 0, a run of
// zero bits each adding 16 to 8, its stop bit and 4 bits. A run the data ends in stops there.
std::uint8_t UnpackDifference(PackedBits& bits)
{
    const bool negative = bits.Bits(1) != 0;
    std::uint8_t value = 0;
    if (bits.Bits(1) != 0) {
        value = static_cast<std::uint8_t>(bits.Bits(3));
    } else {
        value = 8;
        while (!bits.Ended() && bits.Bits(1) == 0) value = static_cast<std::uint8_t>(value + 16);
        value = static_cast<std::uint8_t>(value + bits.Bits(4));
    }
    return negative ? static_cast<std::uint8_t>(value ^ 0xFF) : value;
}

}  // namespace

int mdl_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "DMDL", 4) == 0 ? 2 : 0;
}

int spl_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "DSPL", 4) == 0 ? 2 : 0;
}

bool mdl_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    char magic[4];
    reader.Read(magic, sizeof magic);
    const std::uint8_t version = reader.U8();
    if (std::memcmp(magic, "DMDL", 4) != 0) return Fail(kMdl, "Not a Digitrakker Module (.MDL) file");
    // The high nibble is the major version: 0 and 1 are known, and differ in the record.
    if (version >= 0x20) return Fail(kMdl, "Unknown Digitrakker module version");
    const bool version1 = version >= 0x10;

    // The records in order; their data is placed after the walk, in this order, wherever the
    // "SA" chunk stands.
    std::vector<Slot> slots;
    ByteReader data(file, file.Size(), 0);
    while (reader.Left() >= sizeof(ChunkHeader)) {
        const auto chunk = reader.Get<ChunkHeader>();
        ByteReader body = reader.Sub(chunk.size);
        if (std::memcmp(chunk.id, "IN", 2) == 0) {
            char name[32];
            body.Read(name, sizeof name);
            store.NewBank(name, sizeof name);
        } else if (std::memcmp(chunk.id, "IS", 2) == 0) {
            const std::uint8_t count = body.U8();
            const std::size_t recordSize = 1 + (version1 ? sizeof(SampleRecord1) : sizeof(SampleRecord0));
            for (unsigned i = 0; i < count && body.Left() >= recordSize; ++i) {
                const std::uint8_t number = body.U8();
                const WavesampleRec* wave = version1 ? NewSample(store, body.Get<SampleRecord1>(), number, true, kMdl)
                                                     : NewSample(store, body.Get<SampleRecord0>(), number, false, kMdl);
                if (wave == nullptr) return false;
                slots.push_back(
                    {number, wave->layout.coding == SampleCoding::Delta, StoredBytesFor(wave->layout, wave->length)});
            }
        } else if (std::memcmp(chunk.id, "SA", 2) == 0) {
            data = body;
        }
    }
    if (reader.Truncated()) store.NoteCutShort(0);

    // A number used again replaced its wavesample: the earlier record's data is passed over.
    std::bitset<256> later;
    for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) {
        slot->superseded = later[slot->number];
        later[slot->number] = true;
    }
    for (const Slot& slot : slots) {
        if (slot.superseded) {
            data.Skip(slot.packed ? data.Le32() : slot.plainBytes);
        } else {
            PlaceModuleData(store, *store.FetchWave(kWaveKind | slot.number), data);
        }
    }
    return true;
}

bool spl_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<SplHeader>();
    if (std::memcmp(h.magic, "DSPL", 4) != 0) return Fail(kSpl, "Not a Digitrakker Sample (.SPL) file");
    if (reader.Truncated()) store.NoteCutShort(0);
    store.NewBank(nullptr, 0);
    WavesampleRec* wave = NewSample(store, h.record, 0, false, kSpl);
    if (wave == nullptr) return false;
    if (wave->layout.coding == SampleCoding::Delta) {
        PlacePacked(store, *wave, reader.Sub(reader.Left()));
    } else {
        PlaceSampleData(store, *wave, reader.Size(), reader.Offset(), wave->length);
    }
    return true;
}

bool spl_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    if (wave.layout.coding != SampleCoding::Delta) return DecodeStored(kCopy, wave, sink);
    const File file = File::OpenRead(wave.sourcePath);
    if (!file.IsOpen()) return FailOnFile(kCopy, "Couldn't open input file", wave.sourcePath, errno);
    const PcmFormat format = Delivered(wave);
    PackedBits bits(file, wave.layout);
    const auto piece = std::make_unique<std::uint8_t[]>(kPieceFrames);
    std::uint8_t sample = 0;
    for (std::uint32_t remaining = wave.length; remaining > 0;) {
        const std::uint32_t frames = std::min(remaining, kPieceFrames);
        for (std::uint32_t i = 0; i < frames; ++i) {
            sample = static_cast<std::uint8_t>(sample + UnpackDifference(bits));
            piece[i] = sample;
        }
        if (!sink.Take(format, piece.get(), frames)) return false;
        remaining -= frames;
    }
    return true;
}
