// MultiTracker modules (MTM): unsigned samples back to back after the tracks, the pattern
// sequences and the comment. Little-endian.
#include <cstddef>
#include <cstring>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "formats/tracker/sample_bank.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct MtmHeader {
    char magic[3];  // "MTM"
    std::uint8_t version;
    char songName[20];
    le16 trackCount;
    std::uint8_t lastPattern;
    std::uint8_t lastOrder;
    le16 commentLength;
    std::uint8_t sampleCount;
    std::uint8_t attributes;
    std::uint8_t beatsPerTrack;
    std::uint8_t channelCount;
    std::uint8_t pans[32];
};
static_assert(sizeof(MtmHeader) == 66);
static_assert(offsetof(MtmHeader, trackCount) == 24 && offsetof(MtmHeader, sampleCount) == 30);

struct MtmSample {
    char name[22];
    le32 length;  // bytes
    le32 loopStart;
    le32 loopEnd;
    std::int8_t fineTune;
    std::uint8_t volume;      // 0..64
    std::uint8_t attributes;  // bit 0: 16-bit data
};
static_assert(sizeof(MtmSample) == 37);

constexpr std::uint64_t kOrderBytes = 128;
constexpr std::uint64_t kTrackBytes = 64 * 3;
constexpr std::uint64_t kSequenceBytes = 32 * 2;  // a pattern's track of each channel

}  // namespace

int mtm_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "MTM", 3) == 0 ? 2 : 0;
}

bool mtm_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<MtmHeader>();
    if (std::memcmp(h.magic, "MTM", 3) != 0) return Fail("mtm_Read", "Not a MultiTracker Module!");
    store.NewBank(h.songName, sizeof h.songName);
    std::uint64_t offset = sizeof h + h.sampleCount * sizeof(MtmSample) + kOrderBytes + h.trackCount * kTrackBytes +
                           (h.lastPattern + 1u) * kSequenceBytes + h.commentLength;
    ForEachRecord<MtmSample>(reader, h.sampleCount, [&](std::uint32_t i, const MtmSample& r) {
        if (r.length == 0) return;
        const bool wide = r.attributes & 1;
        const int shift = wide ? 1 : 0;
        BankSample s{
            .bytes = r.length, .loopStart = r.loopStart, .loopEnd = r.loopEnd, .wide = wide, .isSigned = false};
        if (std::uint64_t{r.loopStart >> shift} + 2 < (r.loopEnd >> shift)) s.loopFlags = kLoopFound;
        WavesampleRec& wave = NewBankWave(store, reader, i, std_Copy, r.name, sizeof r.name, s, offset);
        wave.volume = TrackerVolume(r.volume);
        offset += r.length;
    });
    return true;
}
