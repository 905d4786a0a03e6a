// The property pages' rules and the Delete key's effect on the store.
#include "store/property_rules.h"

#include <gtest/gtest.h>

#include "kit/import_fixture.h"

namespace {

TEST(PropertyRules, LoopPointsCarryTheirFractionLoopBoxesRebuildTheFlagsAndMidiValuesAreClamped)
{
    const std::tuple<const char*, std::uint32_t, int> points[] = {
        {"100.5", 100, 128}, {"1000.25", 1000, 64}, {"7", 7, 0},
        {"-3.5", 0, 0},      {"abc", 0, 0},         {"1e99", 4294967295u, 0},
    };
    for (const auto& [text, whole, fraction] : points) {
        std::uint32_t w = 1;
        std::uint8_t f = 1;
        ReadLoopPoint(text, w, f);
        EXPECT_EQ(std::tuple(w, int{f}), std::tuple(whole, fraction)) << text;
    }
    EXPECT_EQ(LoopPointText(1000, 64), "1000.25");
    EXPECT_EQ(LoopFlagsOf(LoopBoxesOf(kLoopOn)), kLoopOn | kLoopSustain);  // a GF1 loop bit reads as "Enabled"
    EXPECT_EQ(LoopFlagsOf({false, true, false, true}), kLoopBidirectional | kLoopRelease);
    EXPECT_EQ(LoopFlagsOf(LoopBoxesOf(kLoopSustain | kLoopReverse)), kLoopFound | kLoopReverse);
    for (const auto& [text, v] : {std::pair{"200", 127}, {"-5", 0}, {"x", 0}}) EXPECT_EQ(ReadMidiValue(text), v);
}

TEST(PropertyRules, SummaryTextsShowStoredAndDeliveredWidths)
{
    WavesampleRec w{};
    w.layout.bits = 12, w.layout.isSigned = true, w.layout.channels = 2, w.length = 1000, w.sampleRate = 22050;
    EXPECT_EQ(WavesampleSummary(w), "12:16bits 1000samps, 22050Hz, signed stereo");
    w.layout.coding = SampleCoding::MuLaw, w.layout.bits = 8, w.layout.isSigned = false, w.layout.channels = 1;
    EXPECT_EQ(WavesampleSummary(w), "8:16bits 1000samps, 22050Hz, signed mono");
}

// The counts the status line and a later export read follow the key map after a deletion.
using DeleteKey = ImportFixture;

TEST_F(DeleteKey, DeletingAWavesampleFromTheTreeRecountsItsInstrument)
{
    store.NewBank("bank", 4);
    WavesampleRec* a = store.NewWavesample(1, nullptr, "a", 1);
    a->length = 100, a->layout.bits = 16, a->layout.channels = 2;  // 400 bytes
    store.NewWavesample(2, nullptr, "b", 1)->length = 30;
    InstrumentRec& i = *store.NewInstrument(1, 1, "i", 1);
    std::fill_n(i.layer.keyMap + 10, 10, kWaveKind | 2);
    store.RecountInstrument(kInstrumentKind | 1);
    DeleteFromTree(store, kBankId);
    DeleteFromTree(store, kWaveKind | 1);
    EXPECT_EQ(std::tuple(i.layer.regionCount, i.waveCount, i.totalBytes, i.layer.layerBytes, i.layer.regions[0].wave,
                         i.layer.regions[0].lowKey, i.layer.regions[0].highKey),
              std::tuple(1, 1u, 30u, 30u, kWaveKind | 2, 10, 19));
    // The wavesample stays, as a loose one; the bank is not deleted.
    EXPECT_EQ(std::tuple(store.FetchWave(kWaveKind | 1)->owner, store.FetchBank() != nullptr),
              std::tuple(NO_ITEM, true));
    DeleteFromTree(store, kWaveKind | 2);
    EXPECT_EQ(InstrumentTotal(i), "Total: 0 layers, 0 waves, 0KB");
    DeleteFromTree(store, kInstrumentKind | 1);
    EXPECT_EQ(store.FetchInstrument(kInstrumentKind | 1), nullptr);
}

}  // namespace
