// Oktalyzer modules: IFF-style chunks without pad bytes after "OKTASONG"; the sample list in
// "SAMP", and each sample's data in its own "SBOD" chunk, in list order. Big-endian.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "formats/common/chunks.h"
#include "formats/common/sample_data.h"
#include "formats/formats.h"
#include "store/copy_routines.h"
#include "store/wave_store.h"
#include "support/byte_reader.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

constexpr char kWhere[] = "okt_Read";

struct OktSample {
    char name[20];
    be32 length;        // bytes
    be16 repeatStart;   // words
    be16 repeatLength;  // words; 0: no loop
    std::uint8_t reserved;
    std::uint8_t volume;  // 0..64
    be16 mode;
};
static_assert(sizeof(OktSample) == 32);
static_assert(offsetof(OktSample, length) == 20 && offsetof(OktSample, volume) == 29);

struct Listed {
    std::uint32_t frames;  // as the list states them
    bool placed;
};

void ReadSampleList(WaveStore& store, ByteReader& body, std::vector<Listed>& samples)
{
    while (body.Left() >= sizeof(OktSample)) {
        const auto s = body.Get<OktSample>();
        if (s.length == 0) continue;
        const auto k = static_cast<std::uint32_t>(samples.size());
        WavesampleRec& wave = *store.NewWavesample(k, mms_Copy, s.name, sizeof s.name);
        wave.volume = TrackerVolume(s.volume);
        // Both repeat fields count words.
        wave.loopStart = std::uint32_t{s.repeatStart} * 2;
        wave.loopEnd = wave.loopStart + std::uint32_t{s.repeatLength} * 2;
        if (wave.loopEnd > wave.loopStart) wave.loopFlags = kLoopFound;
        samples.push_back({s.length, false});
    }
}

}  // namespace

int okt_Detect(std::span<const std::uint8_t, kDetectBytes> head)
{
    if (std::memcmp(head.data(), "OKTA", 4) != 0) return 0;
    return std::memcmp(head.data() + 4, "SONG", 4) == 0 ? 2 : 1;
}

bool okt_Read(WaveStore& store, File& file)
{
    ByteReader reader(file);
    if (!reader.Tag("OKTA")) return Fail(kWhere, "Not an Oktalyzer file");
    if (!reader.Tag("SONG")) return Fail(kWhere, "Not an Oktalyzer song module");
    store.NewBank(nullptr, 0);
    std::vector<Listed> samples;
    std::size_t bodies = 0;
    const std::uint64_t fileSize = reader.Size();
    WalkChunks(
        reader, ChunkOrder::Iff,
        [&](Chunk& chunk) {
            if (chunk.Is("SAMP")) ReadSampleList(store, chunk.body, samples);
            if (chunk.Is("SBOD") && bodies++ < samples.size()) {
                // The chunk holds the sample: a listed length past it (an odd byte) is not data.
                Listed& s = samples[bodies - 1];
                WavesampleRec& wave = *store.FetchWave(kWaveKind | static_cast<ItemId>(bodies - 1));
                PlaceSampleData(store, wave, fileSize, chunk.body.Offset(), std::min(s.frames, chunk.declaredSize));
                s.placed = true;
            }
            return true;
        },
        PadBytes::Never);
    // A sample whose chunk the file does not reach holds no data.
    for (std::size_t k = 0; k < samples.size(); ++k) {
        if (samples[k].placed) continue;
        WavesampleRec& wave = *store.FetchWave(kWaveKind | static_cast<ItemId>(k));
        PlaceSampleData(store, wave, fileSize, fileSize, samples[k].frames);
    }
    return true;
}
