// Digital Sound Modules (RIFF form "DSMF"): each "INST" chunk, at any depth of the form's lists,
// is an instrument playing its one wavesample, whose data follows the record in the chunk.
// Little-endian.
#include <cstddef>
#include <cstring>

#include "formats/common/chunks.h"
#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "dsm_Read";

struct DsmInstrument {
    char fileName[13];
    le16 flags;           // bit 0 loop, bit 1 signed data
    std::uint8_t volume;  // 0..64
    le32 length;          // frames
    le32 loopStart;
    le32 loopEnd;
    le32 address;  // where the tracker kept the data in memory
    le16 c2Rate;
    le16 period;
    char name[28];
};
static_assert(sizeof(DsmInstrument) == 64);
static_assert(offsetof(DsmInstrument, volume) == 15 && offsetof(DsmInstrument, length) == 16 &&
              offsetof(DsmInstrument, name) == 36);

constexpr std::size_t kSongNameSize = 28;

struct DsmWalk {
    WaveStore& store;
    std::uint32_t instruments = 0;

    bool operator()(Chunk& chunk)
    {
        if (chunk.Is("LIST")) return WalkInside(chunk, *this);
        if (chunk.Is("SONG")) {
            char name[kSongNameSize];
            chunk.body.Read(name, sizeof name);
            store.NewBank(name, sizeof name);
        } else if (chunk.Is("INST")) {
            ReadInstrument(chunk.body);
        }
        return true;
    }

    // The data lies in the chunk after the record: a length reaching past the chunk ends with it.
    void ReadInstrument(ByteReader body)
    {
        const std::uint64_t end = body.Offset() + body.Left();
        const auto r = body.Get<DsmInstrument>();
        if (body.Truncated()) return;
        const std::uint32_t n = instruments++;
        store.NewInstrument(n, n, r.name, sizeof r.name);
        WavesampleRec& wave = *store.NewWavesample(n, std_Copy, r.fileName, sizeof r.fileName);
        wave.layout.isSigned = (r.flags & 2) != 0;
        wave.volume = TrackerVolume(r.volume);
        wave.loopStart = r.loopStart;
        wave.loopEnd = r.loopEnd;
        if (r.flags & 1) wave.loopFlags = kLoopFound;
        PlaceSampleData(store, wave, end, body.Offset(), r.length);
    }
};

}  // namespace

int dsm_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "DSMF", 4) == 0 ? 2 : 0;
}

bool dsm_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const bool riff = reader.Tag("RIFF");
    reader.Skip(4);  // the form's size: its chunks are walked to the end of the file
    if (!riff || !reader.Tag("DSMF")) return Fail(kWhere, "Not a DSM module file");
    DsmWalk walk{store};
    WalkChunks(reader, ChunkOrder::Riff, walk);
    if (store.FetchBank() == nullptr) store.NewBank(nullptr, 0);
    return true;
}
