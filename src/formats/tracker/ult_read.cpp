// UltraTracker modules (ULT) and wave files (UWF): signed samples, each module sample an
// instrument of its own; a module's data follows its patterns. Little-endian.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "formats/formats.h"
#include "formats/tracker/sample_bank.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "ult_Read";

struct UltHeader {
    char magic[14];  // "MAS_UTrack_V00"
    char version;    // '1' .. '4'
    char title[32];
    std::uint8_t messageLines;  // of 32 bytes, before the sample count
};
static_assert(sizeof(UltHeader) == 48);
static_assert(offsetof(UltHeader, version) == 14 && offsetof(UltHeader, messageLines) == 47);

struct UltSample {
    char name[32];
    char fileName[12];
    le32 loopStart;  // bytes
    le32 loopEnd;
    le32 sizeStart;  // the data's place in the card's memory, in frames
    le32 sizeEnd;
    std::uint8_t volume;  // 0..255
    std::uint8_t flags;   // bit 2 16-bit, bit 3 loop, bit 4 loop played backwards
    le16 fineTune;        // from version 4: a C2 rate, then this
};
static_assert(sizeof(UltSample) == 64);
static_assert(offsetof(UltSample, loopStart) == 44 && offsetof(UltSample, flags) == 61);

constexpr std::uint8_t kUlt16Bit = 4, kUltLoop = 8, kUltReverse = 16;

struct UwfHeader {
    char name[32];
    std::uint8_t reserved[2];
    char magic[4];  // "MUWF"
    std::uint8_t reserved2[8];
    le32 length;  // bytes
    le32 loopStart;
    le32 loopEnd;
    std::uint8_t reserved3[2];
    std::uint8_t flags;  // bit 1 16-bit; bits 0, 2 and 3: 5 loop, 9 loop played backwards
    std::uint8_t reserved4[5];
};
static_assert(sizeof(UwfHeader) == 66);
static_assert(offsetof(UwfHeader, magic) == 34 && offsetof(UwfHeader, length) == 46 &&
              offsetof(UwfHeader, flags) == 60);

// Where the sample data begins: after 256 orders, the channel and pattern counts (each less
// one), from version 3 a pan position per channel, and a track of 64 rows for every channel
// of every pattern, a row being a 5-byte event or a repeat (0xFC, count, event). Found by
// walking the tracks rather than back from the file's end, which trailing bytes would move.
std::uint64_t DataStart(ByteReader& reader, char version)
{
    reader.Skip(256);
    const unsigned channels = reader.U8() + 1u, patterns = reader.U8() + 1u;
    if (version >= '3') reader.Skip(channels);
    for (unsigned track = 0; track < channels * patterns && !reader.Truncated(); ++track) {
        for (unsigned row = 0; row < 64 && !reader.Truncated();) {
            if (reader.U8() == 0xFC) {
                row += std::max(reader.U8(), std::uint8_t{1});  // a repeat of 0 plays once
                reader.Skip(5);
            } else {
                ++row;
                reader.Skip(4);
            }
        }
    }
    return reader.Offset();
}

std::uint8_t LoopFlags(bool loops, bool reverse)
{
    if (reverse) return kLoopFound | kLoopReverse;
    return loops ? kLoopFound : 0;
}

}  // namespace

int ult_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "MAS", 3) == 0 ? 2 : 0;
}

int uwf_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data() + offsetof(UwfHeader, magic), "MUWF", 4) == 0 ? 2 : 0;
}

bool ult_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<UltHeader>();
    if (std::memcmp(h.magic, "MAS", 3) != 0) return Fail(kWhere, "Not a UltraTracker Module!");
    if (h.version < '1' || h.version > '4') return Fail(kWhere, "Unknown UltraTracker module version");
    store.NewBank(h.title, sizeof h.title);
    reader.Skip(h.messageLines * 32u);
    const std::uint8_t count = reader.U8();
    const std::uint64_t recordBytes = sizeof(UltSample) + (h.version >= '4' ? 2 : 0);
    ByteReader records = reader.Sub(count * recordBytes);
    std::uint64_t offset = DataStart(reader, h.version);
    for (std::uint32_t i = 0; i < count && records.Left() >= recordBytes; ++i) {
        const auto r = records.Get<UltSample>();
        records.Skip(recordBytes - sizeof r);
        if (r.sizeEnd <= r.sizeStart) continue;
        const bool wide = r.flags & kUlt16Bit;
        const std::uint64_t frames = r.sizeEnd - r.sizeStart;
        const BankSample s{.bytes = frames << (wide ? 1 : 0),
                           .loopStart = r.loopStart,
                           .loopEnd = r.loopEnd,
                           .loopFlags = LoopFlags(r.flags & kUltLoop, r.flags & kUltReverse),
                           .wide = wide};
        store.NewInstrument(i, i, r.name, sizeof r.name);
        WavesampleRec& wave = NewBankWave(store, reader, i, std_Copy, r.fileName, 6, s, offset);
        wave.volume = r.volume / 2;
        offset += s.bytes;
    }
    return true;
}

bool uwf_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<UwfHeader>();
    store.NewBank(h.name, sizeof h.name);
    const BankSample s{.bytes = h.length,
                       .loopStart = h.loopStart,
                       .loopEnd = h.loopEnd,
                       .loopFlags = LoopFlags((h.flags & 13) == 5, (h.flags & 13) == 9),
                       .wide = (h.flags & 2) != 0};
    NewBankWave(store, reader, 1, std_Copy, h.name, sizeof h.name, s, sizeof h);
    return true;
}
