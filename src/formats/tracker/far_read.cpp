// Farandoyle Composer files: the module (FAR), the sample file (FSM) and the linear module
// (F2R), whose sample records share their fields. Each record is followed by its signed data.
// Little-endian.
#include <cstddef>
#include <cstring>
#include <numeric>

#include "formats/formats.h"
#include "formats/tracker/sample_bank.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "far_Read";

struct FarHeader {
    char magic[4];  // "FAR" 0xFE
    char songName[40];
    char eof[3];
    le16 headerLength;  // up to the patterns: this header, the song text and the song block
    std::uint8_t version;
    std::uint8_t channelOn[16];
    std::uint8_t editing[30];
    le16 textLength;  // the song text that follows
};
static_assert(sizeof(FarHeader) == 98);
static_assert(offsetof(FarHeader, headerLength) == 47 && offsetof(FarHeader, textLength) == 96);

struct FarSong {
    std::uint8_t orders[256];
    std::uint8_t patternCount;
    std::uint8_t songLength;
    std::uint8_t loopTo;
    le16 patternBytes[256];
};
static_assert(sizeof(FarSong) == 771);

// The fields after a sample's 32-byte name.
struct FarSampleFields {
    le32 length;  // bytes
    std::int8_t fineTune;
    std::uint8_t volume;
    le32 loopStart;  // bytes
    le32 loopEnd;
    std::uint8_t type;  // bit 0: 16-bit data
};
static_assert(sizeof(FarSampleFields) == 15);

constexpr std::uint8_t kLoopModeOn = 8;

struct FarSample {
    char name[32];
    FarSampleFields f;
    std::uint8_t loopMode;
};
static_assert(sizeof(FarSample) == 48 && offsetof(FarSample, loopMode) == 47);

struct FsmHeader {
    char magic[4];  // "FSM" 0xFE
    char name[32];
    char eof[3];
    FarSampleFields f;
    std::uint8_t loopMode;
};
static_assert(sizeof(FsmHeader) == 55);
static_assert(offsetof(FsmHeader, f) == 39 && offsetof(FsmHeader, loopMode) == 54);

struct F2rHeader {
    char magic[3];  // "F2R"
    std::uint8_t reserved[3];
    char songName[40];
    le16 skip;  // bytes up to the song block's size field
};
static_assert(sizeof(F2rHeader) == 48);

struct F2rSkip {
    std::uint8_t reserved;
    le16 skip;  // bytes up to the sample count
};
static_assert(sizeof(F2rSkip) == 3);

struct F2rSample {
    char name[32];
    FarSampleFields f;
};
static_assert(sizeof(F2rSample) == 47);

BankSample FarBankSample(const FarSampleFields& f, bool loops)
{
    return {.bytes = f.length,
            .loopStart = f.loopStart,
            .loopEnd = f.loopEnd,
            .loopFlags = loops ? kLoopFound : std::uint8_t{0},
            .wide = (f.type & 1) != 0};
}

// A record at the reader's position, its data right after it; the reader moves past the data.
template <class R>
void ReadSampleAndData(WaveStore& store, ByteReader& reader, std::uint32_t index, const R& r, bool loops)
{
    NewBankWave(store, reader, index, std_Copy, r.name, sizeof r.name, FarBankSample(r.f, loops), reader.Offset());
    reader.Skip(r.f.length);
}

bool StartsWith(std::span<const std::uint8_t, kDetectBytes> head, const char* magic, std::size_t n)
{
    return std::memcmp(head.data(), magic, n) == 0;
}

}  // namespace

int far_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return StartsWith(head, "FAR\xFE", 4) ? 2 : 0;
}

int fsm_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return StartsWith(head, "FSM\xFE", 4) ? 2 : 0;
}

int f2r_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return StartsWith(head, "F2R", 3) ? 2 : 0;
}

bool far_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<FarHeader>();
    if (std::memcmp(h.magic, "FAR\xFE", 4) != 0) return Fail(kWhere, "Not a Farandoyle FAR file!");
    store.NewBank(h.songName, sizeof h.songName);
    reader.Skip(h.textLength);
    const auto song = reader.Get<FarSong>();
    const std::uint64_t patterns = std::accumulate(std::begin(song.patternBytes), std::end(song.patternBytes),
                                                   std::uint64_t{0}, [](std::uint64_t sum, le16 n) { return sum + n; });
    reader.Seek(h.headerLength + patterns);
    std::uint8_t present[8];
    reader.Read(present, sizeof present);
    for (std::uint32_t i = 0; i < 64 && reader.Left() >= sizeof(FarSample); ++i) {
        if ((present[i / 8] >> (i % 8) & 1) == 0) continue;
        const auto r = reader.Get<FarSample>();
        ReadSampleAndData(store, reader, i, r, (r.loopMode & kLoopModeOn) != 0);
    }
    return true;
}

bool fsm_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<FsmHeader>();
    if (std::memcmp(h.magic, "FSM\xFE", 4) != 0) return Fail("fsm_Read", "Not a Farandoyle FSM file!");
    store.NewBank(h.name, sizeof h.name);
    ReadSampleAndData(store, reader, 0, h, (h.loopMode & kLoopModeOn) != 0);
    return true;
}

bool f2r_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<F2rHeader>();
    if (std::memcmp(h.magic, "F2R", 3) != 0) return Fail(kWhere, "Not a Farandoyle F2R file!");
    store.NewBank(h.songName, sizeof h.songName);
    reader.Skip(h.skip);
    reader.Skip(reader.Get<F2rSkip>().skip);
    ForEachRecord<F2rSample>(reader, reader.U8(), [&](std::uint32_t i, const F2rSample& r) {
        ReadSampleAndData(store, reader, i, r, r.f.loopEnd > r.f.loopStart && r.f.loopEnd != r.f.length);
    });
    return true;
}
