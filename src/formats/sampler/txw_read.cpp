// Yamaha TX16W wave files: one wave of 12-bit packed data after a 32-byte header whose attack
// and loop lengths make up the wave.
#include <algorithm>
#include <cstring>

#include "formats/common/packed12.h"
#include "formats/formats.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr std::uint64_t kDataAt = 32;

struct TxwHeader {
    char magic[6];  // "LM8953"
    std::uint8_t reserved[16];
    std::uint8_t looped;     // 0xC9: no loop
    std::uint8_t rateCode;   // 1: 33000, 2: 50000, 3: 16000 Hz
    std::uint8_t attack[3];  // low, high, then bit 16 in the low bit
    std::uint8_t loop[3];
    std::uint8_t reserved2[2];
};
static_assert(sizeof(TxwHeader) == 32);
static_assert(offsetof(TxwHeader, attack) == 24);

std::uint32_t Seventeen(const std::uint8_t (&v)[3])
{
    return v[0] + v[1] * 256u + (v[2] & 1u) * 65536u;
}

}  // namespace

int txw_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    return std::memcmp(head.data(), "LM8953", 6) == 0 ? 2 : 0;
}

bool txw_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<TxwHeader>();
    if (std::memcmp(h.magic, "LM8953", 6) != 0) return Fail("txw_Read", "Not a Yamaha TX16W wave file");
    store.NewBank(nullptr, 0);
    WavesampleRec& wave = *store.NewWavesample(1, txw_Copy, nullptr, 0);
    constexpr std::uint32_t kRates[] = {22050, 33000, 50000, 16000};
    wave.sampleRate = h.rateCode < std::size(kRates) ? kRates[h.rateCode] : 22050;
    const std::uint32_t attack = Seventeen(h.attack), loop = Seventeen(h.loop);
    wave.layout.bits = 12;
    wave.layout.offset = kDataAt;
    // The wave holds no more samples than the packed bytes present.
    const std::uint64_t present = Packed12Frames(reader.Size() - std::min(reader.Size(), kDataAt));
    wave.length = static_cast<std::uint32_t>(std::min<std::uint64_t>(attack + loop, present));
    wave.layout.bytes = Packed12Bytes(wave.length);
    if (wave.length < attack + loop) store.NoteCutShort(attack + loop - wave.length);
    wave.loopStart = std::min(attack, wave.length);
    wave.loopEnd = std::min(attack + loop, wave.length) - (wave.length > 0 ? 1 : 0);
    if (h.looped != 0xC9 && loop > 0 && attack + loop <= wave.length) wave.loopFlags = kLoopFound;
    return true;
}

bool txw_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return CopyPacked12("txw_Copy", wave, sink);
}
