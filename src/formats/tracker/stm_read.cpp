// Scream Tracker 2 modules (STM): the sample bank of 31 instrument slots. Little-endian.
#include <cstddef>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"

namespace {

struct StmInstrument {
    char name[12];
    std::uint8_t id;
    std::uint8_t disk;
    le16 dataParagraph;  // data position / 16; 0 in some writers' files
    le16 length;         // bytes
    le16 loopStart;
    le16 loopEnd;  // 0xFFFF: no loop
    std::uint8_t volume;
    std::uint8_t reserved[9];
};
static_assert(sizeof(StmInstrument) == 32);

struct StmHeader {
    char songName[20];
    char tracker[8];
    std::uint8_t marker;
    std::uint8_t type;
    std::uint8_t version[2];
    std::uint8_t tempo;
    std::uint8_t patternCount;
    std::uint8_t rest[14];
    StmInstrument instruments[31];
};
static_assert(sizeof(StmHeader) == 1040);
static_assert(offsetof(StmHeader, patternCount) == 33 && offsetof(StmHeader, instruments) == 48);

constexpr std::uint64_t kPatternsAt = 1168;  // after the header and the 128-entry order list

}  // namespace

bool stm_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<StmHeader>();
    store.NewBank(h.songName, sizeof h.songName);
    // Samples lie back to back after the patterns, unless a slot gives its own position.
    std::uint64_t offset = kPatternsAt + std::uint64_t{h.patternCount} * 1024;
    for (std::uint32_t i = 0; i < 31; ++i) {
        const StmInstrument& s = h.instruments[i];
        if (s.length <= 2) continue;
        WavesampleRec& wave = *store.NewWavesample(i, std_Copy, s.name, sizeof s.name);
        wave.volume = TrackerVolume(s.volume);
        // The loop end is exclusive: a loop may run to the sample's end.
        if (s.loopEnd != 0xFFFF && s.loopEnd > s.loopStart + 2 && s.loopEnd <= s.length) {
            wave.loopStart = s.loopStart;
            wave.loopEnd = s.loopEnd;
            wave.loopFlags = kLoopFound;
        }
        const std::uint64_t stated = std::uint64_t{s.dataParagraph} * 16;
        if (stated != 0 && stated < reader.Size()) offset = stated;
        offset += PlaceSampleData(store, wave, reader.Size(), offset, s.length);
    }
    return true;
}
