// The property pages' rules and the Delete key's effect on the store.
#include "store/property_rules.h"

#include <gtest/gtest.h>

#include "kit/scripted_host.h"
#include "store/wave_store.h"

namespace {

TEST(PropertyRules, LoopPointsCarryTheirFraction)
{
    struct Case {
        const char* text;
        std::uint32_t whole;
        std::uint8_t fraction;
    };
    for (const Case& c : {Case{"100.5", 100, 128}, Case{"1000.25", 1000, 64}, Case{"7", 7, 0}, Case{"-3.5", 0, 0},
                          Case{"abc", 0, 0}, Case{"", 0, 0}, Case{"1e99", 4294967295u, 0}}) {
        std::uint32_t whole = 1;
        std::uint8_t fraction = 1;
        ReadLoopPoint(c.text, whole, fraction);
        EXPECT_EQ(whole, c.whole) << c.text;
        EXPECT_EQ(fraction, c.fraction) << c.text;
    }
    EXPECT_EQ(LoopPointText(1000, 64), "1000.25");
}

TEST(PropertyRules, MidiValuesAreClamped)
{
    EXPECT_EQ(ReadMidiValue("200"), 127);
    EXPECT_EQ(ReadMidiValue("-5"), 0);
    EXPECT_EQ(ReadMidiValue("64"), 64);
    EXPECT_EQ(ReadMidiValue("x"), 0);
}

TEST(PropertyRules, LoopBoxesRebuildTheFlags)
{
    EXPECT_EQ(LoopFlagsOf(LoopBoxesOf(4)), 36);  // a GF1 loop bit reads as "Enabled"
    EXPECT_EQ(LoopFlagsOf({false, true, false, true}), 8 | 64);
    const LoopBoxes boxes = LoopBoxesOf(32 | 16);
    EXPECT_TRUE(boxes.enabled);
    EXPECT_TRUE(boxes.reverse);
}

TEST(PropertyRules, SummaryTexts)
{
    WavesampleRec w{};
    w.bits = 12, w.bytesPerSample = 2, w.length = 1000, w.sampleRate = 22050, w.isSigned = 1, w.channels = 2;
    EXPECT_EQ(WavesampleSummary(w), "12:16bits 1000samps, 22050Hz, signed stereo");
    InstrumentRec i{};
    i.layer.present = 1, i.waveCount = 3, i.totalBytes = 1536000;
    EXPECT_EQ(InstrumentTotal(i), "Total: 1 layers, 3 waves, 1500KB");
}

TEST(PropertyRules, DeletingFromTheTree)
{
    ScriptedHost host;
    WaveStore store(host);
    store.NewWavesample(1, nullptr, "a", 1)->owner = 0x40000001;
    store.NewWavesample(2, nullptr, "b", 1)->owner = 0x40000001;
    InstrumentRec& i = *store.NewInstrument(1, 1, "i", 1);
    i.layer.regionCount = 3;
    i.layer.regions[0] = {0x80000001, 0, 9};
    i.layer.regions[1] = {0x80000002, 10, 19};
    i.layer.regions[2] = {0x80000001, 20, 127};
    for (int k = 0; k < 128; ++k) i.layer.keyMap[k] = k >= 10 && k < 20 ? 0x80000002 : 0x80000001;
    DeleteFromTree(store, 0x80000001);
    ASSERT_EQ(i.layer.regionCount, 1);
    EXPECT_EQ(i.layer.regions[0].wave, 0x80000002u);
    EXPECT_EQ(i.layer.keyMap[0], NO_ITEM);
    EXPECT_EQ(i.layer.keyMap[15], 0x80000002u);
    EXPECT_NE(store.FetchWave(0x80000001), nullptr);
    DeleteFromTree(store, kBankId);
    DeleteFromTree(store, 0x40000001);
    EXPECT_EQ(store.FetchInstrument(0x40000001), nullptr);
}

}  // namespace
