// AKAI MPC3000 sample files: one named wave of 16-bit little-endian data after a 38-byte
// header whose start, loop and end count samples.
#include <cstring>

#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct AkaiHeader {
    le16 magic;  // 0x0201
    char name[16];
    std::uint8_t reserved[4];
    le32 start;  // samples after the header
    le32 loopStart;
    le32 end;
    std::uint8_t reserved2[4];
};
static_assert(sizeof(AkaiHeader) == 38);
static_assert(offsetof(AkaiHeader, start) == 22);

constexpr std::uint16_t kMagic = 0x0201;

}  // namespace

int akai_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return head[0] == 0x01 && head[1] == 0x02 ? 2 : 0;
}

bool akai_WaveRead(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<AkaiHeader>();
    if (h.magic != kMagic) return Fail("akai_WaveRead", "Not an AKAI MPC3000 wave file");
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(0, std_Copy, h.name, sizeof h.name);
    wave.layout.bits = 16;
    wave.sampleRate = 44100;
    // An end before the start leaves no wave; a loop before the start, no loop.
    const std::uint32_t frames = h.end >= h.start ? h.end - h.start : 0;
    if (h.loopStart >= h.start && h.loopStart - h.start < frames) {
        wave.loopStart = h.loopStart - h.start;
        wave.loopEnd = frames;
        wave.loopFlags = kLoopFound;
    }
    PlaceSampleData(store, wave, reader.Size(), std::uint64_t{h.start} * 2 + sizeof(AkaiHeader), frames);
    return true;
}
