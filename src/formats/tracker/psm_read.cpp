// Protracker Studio modules (PSM 0xFE): sample records that give their data's place, each
// sample an instrument of its own under the sample's number. Little-endian.
#include <cstddef>
#include <cstring>
#include <utility>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "formats/tracker/sample_bank.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "psm_Read";
constexpr char kMagic[] = "PSM\xFE";

struct PsmHeader {
    char magic[4];
    char name[60];
    std::uint8_t flags;  // bit 0: a song file without samples
    std::uint8_t version;
    std::uint8_t patternVersion;
    std::uint8_t speed;
    std::uint8_t tempo;
    std::uint8_t masterVolume;
    le16 songLength;
    le16 orderCount;
    le16 patternCount;
    le16 sampleCount;
    le16 channelCount;
    le16 channelsUsed;
    le32 ordersAt;
    le32 pansAt;
    le32 patternsAt;
    le32 samplesAt;  // the sample records
    le32 commentAt;
    le32 patternBytes;
    std::uint8_t reserved[40];
};
static_assert(sizeof(PsmHeader) == 146);
static_assert(offsetof(PsmHeader, sampleCount) == 76 && offsetof(PsmHeader, samplesAt) == 94);

struct PsmSample {
    char fileName[13];
    char description[24];
    le32 dataAt;
    le32 memoryAt;
    le16 number;
    std::uint8_t flags;
    le32 length;  // bytes
    le32 loopStart;
    le32 loopEnd;
    std::uint8_t fineTune;
    std::uint8_t volume;  // 0..64
    le16 c2Rate;
};
static_assert(sizeof(PsmSample) == 64);
static_assert(offsetof(PsmSample, dataAt) == 37 && offsetof(PsmSample, number) == 45 &&
              offsetof(PsmSample, c2Rate) == 62);

constexpr std::uint8_t kSkipped = 0x01 | 0x40, kWide = 0x04, kUnsigned = 0x08, kPlain = 0x10, kPingPong = 0x20,
                       kLoops = 0x80;

void ReadSample(WaveStore& store, const ByteReader& file, const PsmSample& r)
{
    BankSample s{.bytes = r.length, .wide = (r.flags & kWide) != 0, .isSigned = (r.flags & kUnsigned) == 0};
    if (r.flags & kLoops) {
        s.loopFlags = kLoopFound | (r.flags & kPingPong ? kLoopBidirectional : 0);
        s.loopStart = r.loopStart;
        s.loopEnd = r.loopEnd;
        // A loop given end first plays backwards.
        if (s.loopStart > s.loopEnd) {
            std::swap(s.loopStart, s.loopEnd);
            s.loopFlags |= kLoopReverse;
        }
    }
    const bool plain = r.flags & kPlain;
    if (!plain) s.coding = SampleCoding::Delta;
    store.NewInstrument(r.number, r.number, r.description, sizeof r.description);
    WavesampleRec& wave =
        NewBankWave(store, file, r.number, plain ? std_Copy : delta_Copy, r.fileName, sizeof r.fileName, s, r.dataAt);
    wave.sampleRate = r.c2Rate * 2u;
    wave.volume = TrackerVolume(r.volume);
}

}  // namespace

int psm_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), kMagic, 4) == 0 ? 2 : 0;
}

bool psm_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<PsmHeader>();
    if (std::memcmp(h.magic, kMagic, 4) != 0) return Fail(kWhere, "Not a Protracker Studio Module");
    if (h.flags & 1) return Fail(kWhere, "This is a song file, i.e. it contains no samples");
    store.NewBank(h.name, sizeof h.name);
    reader.Seek(h.samplesAt);
    ForEachRecord<PsmSample>(reader, h.sampleCount, [&](std::uint32_t, const PsmSample& r) {
        if ((r.flags & kSkipped) == 0) ReadSample(store, reader, r);
    });
    return true;
}
