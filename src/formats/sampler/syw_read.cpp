// Yamaha SY-series wave files: one wave of 16-bit big-endian data (unless the header gives
// another width) from offset 1024, its lengths and period in 7-bit groups.
#include <algorithm>
#include <cstring>

#include "formats/common/sample_data.h"
#include "formats/common/seven_bit.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr std::uint64_t kDataAt = 1024;

struct SywHeader {
    char magic[2];  // "SY"
    std::uint8_t reserved[16];
    std::uint8_t rootKey;  // MIDI key + 48
    std::uint8_t reserved2[5];
    std::uint8_t loopMode;
    std::uint8_t reserved3[9];
    std::uint8_t attenuation;
    std::uint8_t reserved4[9];
    std::uint8_t bits;       // 0: 16
    std::uint8_t period[3];  // ns, 7 bits a byte, most significant first
    std::uint8_t length[3];  // 7 bits a byte, least significant first, as the loop points
    std::uint8_t loopStart[3];
    std::uint8_t loopEnd[3];
    std::uint8_t reserved5[7];
};
static_assert(sizeof(SywHeader) == 64);
static_assert(offsetof(SywHeader, loopMode) == 24 && offsetof(SywHeader, bits) == 44 &&
              offsetof(SywHeader, loopEnd) == 54);

std::uint8_t LoopFlags(std::uint8_t mode)
{
    switch (mode) {
        case 2:
            return kLoopFound;
        case 3:
            return kLoopFound | kLoopBidirectional;
        case 5:
            return kLoopReverse;
        case 6:
            return kLoopFound | kLoopReverse;
        case 7:
            return kLoopFound | kLoopBidirectional | kLoopReverse;
        default:
            return 0;
    }
}

}  // namespace

int syw_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "SY", 2) == 0 ? 2 : 0;
}

bool syw_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<SywHeader>();
    if (std::memcmp(h.magic, "SY", 2) != 0) return Fail("syw_Read", "Not a Yamaha SY-series wave file");
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, mms_Copy, nullptr, 0);
    wave.layout.bits = h.bits == 0 ? 16 : h.bits;
    wave.layout.bigEndian = true;
    wave.volume = static_cast<std::uint8_t>(127 - std::min<int>(h.attenuation, 127));
    const std::uint32_t period = h.period[0] * 16384u + h.period[1] * 128u + h.period[2];
    wave.sampleRate = period == 0 ? 44100 : 1000000000u / period;
    wave.rootKey = static_cast<std::uint8_t>(std::clamp(h.rootKey - 48, 0, 127));
    std::uint64_t length = SevenBitNumber(h.length);
    // Without a length the wave is the rest of the file, in frames of the stated width.
    if (length == 0) length = (reader.Size() - std::min(reader.Size(), kDataAt)) / ((wave.layout.bits + 7u) / 8);
    wave.loopStart = SevenBitNumber(h.loopStart);
    wave.loopEnd = SevenBitNumber(h.loopEnd) != 0 ? SevenBitNumber(h.loopEnd) : static_cast<std::uint32_t>(length);
    wave.loopFlags = LoopFlags(h.loopMode);
    PlaceSampleData(store, wave, reader.Size(), kDataAt, length);
    return true;
}
