// 669 modules (Composer 669 and UNIS 669): 8-bit unsigned samples back to back after the
// patterns. Little-endian.
#include <cstddef>

#include "formats/formats.h"
#include "formats/tracker/sample_bank.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct Header669 {
    le16 signature;     // 0x6669 ("if") or 0x4E4A ("JN")
    char message[108];  // three lines of 36; the first names the bank
    std::uint8_t sampleCount;
    std::uint8_t patternCount;
    std::uint8_t loopOrder;
    std::uint8_t orders[128];
    std::uint8_t tempos[128];
    std::uint8_t breaks[128];
};
static_assert(sizeof(Header669) == 497);
static_assert(offsetof(Header669, sampleCount) == 110);

struct Sample669 {
    char name[13];
    le32 length;  // bytes
    le32 loopStart;
    le32 loopEnd;  // 0xFFFFF and other values past the length: no loop
};
static_assert(sizeof(Sample669) == 25);

constexpr std::uint64_t kPatternBytes = 64 * 8 * 3;

bool IsSignature(std::uint16_t word)
{
    return word == 0x6669 || word == 0x4E4A;
}

}  // namespace

int fmt669_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return IsSignature(static_cast<std::uint16_t>(head[0] | head[1] << 8)) ? 2 : 0;
}

bool fmt669_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<Header669>();
    if (!IsSignature(h.signature)) return Fail("669_Read", "Not a 669 module!");
    store.NewBank(h.message, 36);
    std::uint64_t offset = sizeof h + h.sampleCount * sizeof(Sample669) + h.patternCount * kPatternBytes;
    ForEachRecord<Sample669>(reader, h.sampleCount, [&](std::uint32_t i, const Sample669& r) {
        if (r.length == 0) return;
        BankSample s{.bytes = r.length, .isSigned = false};
        if (r.loopEnd < r.length && r.loopEnd > r.loopStart) {
            s.loopStart = r.loopStart;
            s.loopEnd = r.loopEnd;
            s.loopFlags = kLoopFound;
        }
        NewBankWave(store, reader, i, std_Copy, r.name, sizeof r.name, s, offset);
        offset += r.length;
    });
    return true;
}
