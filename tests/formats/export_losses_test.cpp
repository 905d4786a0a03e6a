// What each writer has to give up is said once per kind, and a loop the target cannot hold
// lands inside the sample written; read back, every loop lies within its wavesample.
#include <gmock/gmock.h>

#include "format_kit.h"

namespace {

struct LossCase {
    const char* target;
    ItemId item;
    std::vector<std::string> losses;
};

const std::string kLoopsMoved = "Loops moved inside their samples";

const LossCase kLossCases[] = {
    {"out.wav", kWaveKind | 1, {"Samples narrowed to 16 bits", kLoopsMoved}},
    {"out.pat", kInstrumentKind | 1,
     {"Names cut to 16 characters", "Names cut to 7 characters", "Stereo mixed to mono",
      "Samples narrowed to 16 bits", kLoopsMoved, "Keys above 119 left out"}},
    {"out.sbk", kBankId,
     {"Names cut to 20 characters", kLoopsMoved, "Stereo mixed to mono", "Samples narrowed to 16 bits"}},
};

struct ExportLosses : WriterFixture, ::testing::WithParamInterface<LossCase> {};

TEST_P(ExportLosses, AreSaidOnceAndLoopsLandInsideTheirSamples)
{
    // Two 24-bit stereo waves, one loop past the end and one starting after its end, under an
    // instrument with a name no fixed field holds and a region up to key 127.
    for (std::uint32_t i = 1; i <= 2; ++i) {
        WavesampleRec& w = NewWave(i, "A wavesample name of thirty-odd letters", Ramp(60, 3), 24, 2);
        w.loopFlags = kLoopFound;
        w.loopStart = i == 1 ? 4 : 9, w.loopEnd = i == 1 ? w.length + 7 : 8;
    }
    NewInstrument(1, "An instrument name of thirty-odd letters", [](int key) { return key < 60 ? 1 : 2; });
    store.NewBank("B", 1);

    const LossCase& c = GetParam();
    RoundTrip(c.item, c.target);
    EXPECT_THAT(host.Texts("Attention!"), ::testing::UnorderedElementsAreArray(c.losses));
    std::uint32_t n = 0;
    ItemId id;
    void* record;
    for (; store.NextItem(n, id, record); ++n) {
        if ((id & kKindMask) != kWaveKind) continue;
        const WavesampleRec& w = *store.FetchWave(id);
        EXPECT_LE(w.loopStart, w.loopEnd) << c.target;
        EXPECT_LE(w.loopEnd, w.length) << c.target;
    }
}

INSTANTIATE_TEST_SUITE_P(EachWriter, ExportLosses, ::testing::ValuesIn(kLossCases),
                         [](const auto& info) { return std::string(info.param.target).substr(4); });

}  // namespace
