// Delusion/XTracker modules (DMF) and single samples (DSF), which share the sample record: the
// module's samples are listed in one chunk, their data in another, and instruments map key
// ranges to them. Little-endian.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "host/host.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kDmfWhere[] = "dmf_Read";
constexpr char kDsfWhere[] = "dsf_Read";

// The part of a sample record both files hold.
struct DmfSampleInfo {
    le32 length;  // frames
    le32 loopStart;
    le32 loopEnd;
    le16 c3Rate;
    std::uint8_t volume;  // 0..255; 0 plays at full volume
    std::uint8_t flags;   // bit 0 loop, bit 1 16-bit, bits 2..3 packing method, bit 7 data in a library
};
static_assert(sizeof(DmfSampleInfo) == 16);

struct DmfSample {
    DmfSampleInfo info;
    char library[8];
    le16 reserved;
    le32 crc;
};
static_assert(sizeof(DmfSample) == 30);

struct DmfHeader {
    char signature[4];  // "DDMF"
    std::uint8_t version;
    char tracker[8];
    char songName[30];
    char composer[20];
    std::uint8_t date[3];
};
static_assert(sizeof(DmfHeader) == 66);
static_assert(offsetof(DmfHeader, songName) == 13);

struct DmfInstrument {
    std::uint8_t number;
    char name[30];
    std::uint8_t flags;       // read only when bits 0..1 are clear
    std::uint8_t rangeCount;  // then pairs of (sample number, key count) from key 12 on
};
static_assert(sizeof(DmfInstrument) == 33);

struct DsfHeader {
    char signature[4];  // "DDSF"
    std::uint8_t version;
    char name[30];
    DmfSampleInfo info;
};
static_assert(sizeof(DsfHeader) == 51);
static_assert(offsetof(DsfHeader, info) == 35);

constexpr std::uint8_t kLoop = 0x01, k16Bit = 0x02, kPacking = 0x0C, kInLibrary = 0x80;
constexpr std::size_t kMaxNameChars = 128;
constexpr int kFirstKey = 12;

WavesampleRec& NewSample(WaveStore& store, std::uint32_t index, const char* name, int nameLength,
                         const DmfSampleInfo& info)
{
    WavesampleRec& wave = *store.NewWavesample(index, std_Copy, name, nameLength);
    wave.layout.bits = info.flags & k16Bit ? 16 : 8;
    wave.sampleRate = info.c3Rate;
    wave.volume = info.volume == 0 ? 127 : info.volume / 2;
    wave.length = info.length;
    wave.loopStart = info.loopStart;
    wave.loopEnd = info.loopEnd;
    if (info.flags & kLoop) wave.loopFlags = kLoopFound;
    return wave;
}

struct DmfWalk {
    WaveStore& store;
    std::uint64_t fileSize;
    struct Listed {
        std::uint32_t index;
        bool packed;
        bool placed;
    };
    std::vector<Listed> samples;  // in the order they were made

    bool operator()(Chunk& chunk)
    {
        if (chunk.Is("ENDE")) return false;
        if (chunk.Is("SMPI")) ReadSampleList(chunk.body);
        if (chunk.Is("INST")) ReadInstrument(chunk.body);
        if (chunk.Is("SMPD")) ReadSampleData(chunk.body);
        return true;
    }

    void ReadSampleList(ByteReader& body)
    {
        const unsigned count = body.U8();
        for (std::uint32_t i = 0; i < count; ++i) {
            char name[255];
            const std::size_t nameLength = body.U8();
            body.Read(name, nameLength);
            const auto s = body.Get<DmfSample>();
            if (body.Truncated()) return;
            if ((s.info.flags & kInLibrary) != 0 || s.info.length == 0) continue;
            NewSample(store, i, name, static_cast<int>(std::min(nameLength, kMaxNameChars)), s.info);
            samples.push_back({i, (s.info.flags & kPacking) != 0, false});
        }
    }

    void ReadInstrument(ByteReader& body)
    {
        const auto r = body.Get<DmfInstrument>();
        if (body.Truncated() || (r.flags & 3) != 0) return;
        InstrumentRec& instrument = *store.NewInstrument(r.number, NO_ITEM, r.name, sizeof r.name);
        int key = kFirstKey;
        for (unsigned range = 0; range < r.rangeCount && body.Left() >= 2; ++range) {
            const unsigned sample = body.U8(), keys = body.U8();
            for (unsigned k = 0; k < keys && key < 128; ++k) instrument.layer.keyMap[key++] = kWaveKind | sample;
        }
    }

    // Each listed sample's data, after its byte count; a sample holds no more than its count.
    void ReadSampleData(ByteReader& body)
    {
        for (Listed& s : samples) {
            if (body.Left() < 4) return;
            const std::uint32_t bytes = body.Le32();
            const std::uint64_t offset = body.Offset();
            body.Skip(bytes);
            const ItemId id = kWaveKind | s.index;
            WavesampleRec* wave = store.FetchWave(id);
            if (wave == nullptr || s.placed) continue;
            s.placed = true;
            if (s.packed) {
                store.host.Warn("Can't handle packed DMF samples");
                store.DeleteItem(id);
                continue;
            }
            const std::uint64_t held = bytes / ((wave->layout.bits + 7u) / 8);
            PlaceSampleData(store, *wave, fileSize, offset, std::min<std::uint64_t>(wave->length, held));
        }
    }
};

}  // namespace

int dmf_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "DDMF", 4) == 0 ? 2 : 0;
}

int dsf_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "DDSF", 4) == 0 ? 2 : 0;
}

bool dmf_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<DmfHeader>();
    if (std::memcmp(h.signature, "DDMF", 4) != 0) {
        return Fail(kDmfWhere, "Not a Delusion/XTracker Digital Module File");
    }
    store.NewBank(h.songName, sizeof h.songName);
    DmfWalk walk{store, reader.Size(), {}};
    WalkChunks(reader, ChunkOrder::Riff, walk, PadBytes::Never);
    // A sample whose data the file does not reach holds none.
    for (const DmfWalk::Listed& s : walk.samples) {
        WavesampleRec* wave = store.FetchWave(kWaveKind | s.index);
        if (!s.placed && wave != nullptr) PlaceSampleData(store, *wave, reader.Size(), reader.Size(), wave->length);
    }
    return true;
}

bool dsf_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<DsfHeader>();
    if (std::memcmp(h.signature, "DDSF", 4) != 0) {
        return Fail(kDsfWhere, "Not a Delusion/XTracker Digital Sample File");
    }
    if ((h.info.flags & kPacking) != 0) return Fail(kDsfWhere, "Can't handle packed DSF samples");
    if ((h.info.flags & kInLibrary) != 0) return Fail(kDsfWhere, "Sampledata not stored in DSF file");
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = NewSample(store, 1, h.name, sizeof h.name, h.info);
    PlaceSampleData(store, wave, reader.Size(), sizeof h, h.info.length);
    return true;
}
