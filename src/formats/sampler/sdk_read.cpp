// Roland S-550, S-50 and S-330 disk images: the wave parameter table, each used wave a
// wavesample of 12-bit packed data in the wave memory. Images of the 16-bit models are
// recognised and refused.
#include <algorithm>
#include <cstring>

#include "formats/common/packed12.h"
#include "formats/formats.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr std::uint64_t kDiskInfoAt = 68608;
constexpr std::uint64_t kWaveTableAt = 69120;
constexpr std::uint64_t kWaveMemoryAt = 73728;
constexpr std::uint64_t kSegmentBytes = 18432;
constexpr int kWaves = 32;

struct SdkHeader {
    be32 zero;
    char model[11];
    std::uint8_t reserved;
};
static_assert(sizeof(SdkHeader) == 16);

struct DiskInfo {
    std::uint8_t reserved[51];
    char volumeName[12];
    std::uint8_t volumeName2[48];  // 12 more characters, every fourth byte
    std::uint8_t rest[145];
};
static_assert(sizeof(DiskInfo) == 256);

struct WaveRecord {
    char name[8];
    std::uint8_t reserved[3];
    std::uint8_t rate;  // bit 0: 15 kHz, else 30 kHz
    std::uint8_t key;   // of the recorded pitch, MIDI key + 12
    std::uint8_t bank;
    std::uint8_t segment;
    std::uint8_t reserved2;
    be24 start;  // samples
    be24 end;    // the last sample
    be24 loopStart;
    std::uint8_t loopMode;  // bits 0..1
    std::uint8_t reserved3[11];
    std::int8_t fineTune;
    std::uint8_t rest[90];
};
static_assert(sizeof(WaveRecord) == 128);
static_assert(offsetof(WaveRecord, start) == 16 && offsetof(WaveRecord, loopMode) == 25 &&
              offsetof(WaveRecord, fineTune) == 37);

enum class Model { TwelveBit, SixteenBit, Other };

Model ModelOf(const char* text)
{
    for (const char* model : {"S550", "S-50", "S330"}) {
        if (std::memcmp(text, model, 4) == 0) return Model::TwelveBit;
    }
    for (const char* model : {"S770", "S-70"}) {
        if (std::memcmp(text, model, 4) == 0) return Model::SixteenBit;
    }
    return Model::Other;
}

constexpr std::uint8_t kLoopFlags[4] = {kLoopFound, kLoopFound | kLoopBidirectional, 0, kLoopFound | kLoopReverse};

// The volume name, when its first part holds more than blanks: 12 characters, then 12 more
// from every fourth byte.
void NameBank(WaveStore& store, const DiskInfo& info)
{
    if (std::all_of(info.volumeName, info.volumeName + 12, [](char c) { return c == 0 || c == ' '; })) return;
    char name[24];
    std::memcpy(name, info.volumeName, 12);
    for (int i = 0; i < 12; ++i) name[12 + i] = static_cast<char>(info.volumeName2[4 * i]);
    store.NewBank(name, sizeof name);
}

void ReadWave(WaveStore& store, const WaveRecord& r, std::uint32_t index, std::uint64_t fileSize)
{
    // A wave starts on a whole pair of samples.
    const std::uint32_t start = r.start & ~1u;
    if (r.end <= r.start) return;
    const std::uint64_t offset = (r.bank * 18u + r.segment) * kSegmentBytes + start * 3u / 2 + kWaveMemoryAt;
    const std::uint64_t frames = r.end - start + 1;
    const std::uint64_t held = Packed12Frames(fileSize - std::min(fileSize, offset));
    if (held < frames) store.NoteCutShort(frames - std::min(held, frames));
    if (held == 0) return;
    WavesampleRec& wave = *store.NewWavesample(index, sdk12_Copy, r.name, sizeof r.name);
    wave.layout.bits = 12;
    wave.layout.offset = offset;
    wave.length = static_cast<std::uint32_t>(std::min(held, frames));
    wave.layout.bytes = Packed12Bytes(wave.length);
    wave.sampleRate = r.rate & 1 ? 15000 : 30000;
    wave.rootKey = static_cast<std::uint8_t>(std::clamp(r.key - 12, 0, 127));
    wave.fineTune = static_cast<std::int8_t>(r.fineTune * 2);
    wave.loopEnd = std::min<std::uint32_t>(r.end - start, wave.length - 1);
    // A loop from before the wave's start, or past what the image holds, is no loop.
    if (r.loopStart >= start && r.loopStart - start <= wave.loopEnd && r.end - start < wave.length) {
        wave.loopStart = r.loopStart - start;
        wave.loopFlags = kLoopFlags[r.loopMode & 3];
    }
}

}  // namespace

int sdk_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    if (head[0] != 0 || head[1] != 0 || head[2] != 0 || head[3] != 0) return 0;
    switch (ModelOf(reinterpret_cast<const char*>(head.data() + 4))) {
        case Model::TwelveBit:
            return 2;
        case Model::SixteenBit:
            return 1;
        default:
            return 0;
    }
}

bool sdk_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    const auto h = reader.Get<SdkHeader>();
    if (h.zero != 0 || reader.Truncated()) return Fail("sdk_Read", "Not an .SDK file");
    store.NewBank(h.model, sizeof h.model);
    switch (ModelOf(h.model)) {
        case Model::SixteenBit:
            return Fail("sdk16_Read",
                        "Sorry, don't understand disk images of the 16bit Roland samplers (S-770, S-70...)");
        case Model::Other:
            return Fail("sdk_Read", "Not a supported .SDK file");
        case Model::TwelveBit:
            break;
    }
    reader.Seek(kDiskInfoAt);
    NameBank(store, reader.Get<DiskInfo>());
    reader.Seek(kWaveTableAt);
    for (int i = 0; i < kWaves; ++i) {
        const auto record = reader.Get<WaveRecord>();
        if (reader.Truncated()) break;
        ReadWave(store, record, static_cast<std::uint32_t>(i), reader.Size());
    }
    return true;
}

bool sdk12_Copy(const WavesampleRec& wave, SampleSink& sink)
{
    return CopyPacked12("sdk12_Copy", wave, sink);
}
