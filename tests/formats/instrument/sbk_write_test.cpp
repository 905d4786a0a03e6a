// The SoundFont writer: banks and instruments read back key for key, 8-bit data widened.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "../format_kit.h"

namespace {

using SbkWrite = WriterFixture;

// A bank lists the wavesamples no instrument plays, then the instruments, as presets numbered in
// order whose first zones follow each other; a wavesample in two regions plays in both.
TEST_F(SbkWrite, BanksAndInstrumentsReadBackKeyForKey)
{
    store.NewBank("Kit", 3);
    for (std::uint32_t i = 1; i <= 6; ++i) Wave(i, ("w" + std::to_string(i)).c_str(), Ramp(10, 1), 8);
    Wave(7, "low", Ramp(50, 1), 8);
    Wave(8, "high", Ramp(70, 1), 8).rootKey = 80;
    const auto instrument = [&](std::uint32_t index, const char* name, auto wave) {
        InstrumentRec& inst = *store.NewInstrument(index, NO_ITEM, name, static_cast<int>(std::strlen(name)));
        for (int key = 0; key < 128; ++key) inst.layer.keyMap[key] = kWaveKind | wave(key);
        inst.layer.volume = 100;
        store.RecountInstrument(kInstrumentKind | index);
    };
    instrument(1, "two", [](int key) { return 1 + key / 64; });
    instrument(2, "three", [](int key) { return 3 + key / 43; });
    instrument(3, "split", [](int key) { return key > 30 && key <= 90 ? 8 : 7; });
    Export(kBankId, "out.sbk");
    ASSERT_TRUE(store.Imp(dir / "out.sbk")) << LastError.message;
    const auto preset = [&](std::uint32_t zone) { return store.FetchInstrument(kInstrumentKind | 0x4000000 | zone); };
    for (const auto& [zone, name, program] :
         {std::tuple{0u, "w6", 0}, {1u, "two", 1}, {3u, "three", 2}, {6u, "split", 3}}) {
        ASSERT_NE(preset(zone), nullptr) << name;
        EXPECT_EQ(std::tuple(std::string(preset(zone)->name), preset(zone)->program), std::tuple(name, program));
    }
    const LayerRec& split = preset(6)->layer;
    ASSERT_EQ(split.regionCount, 3);
    EXPECT_EQ(std::tuple(split.regions[0].highKey, split.regions[2].lowKey), std::tuple(30, 91));
    EXPECT_STREQ(store.FetchWave(split.keyMap[10])->name, "low");
    EXPECT_EQ(split.keyMap[120], split.keyMap[10]);
    const WavesampleRec& high = *store.FetchWave(split.keyMap[60]);
    EXPECT_EQ(std::tuple(high.rootKey, high.length, high.volume), std::tuple(80, 71u, 100));  // and one guard sample
}

// 8-bit data is widened, piece after piece of a long wave, and followed by silent guard samples.
TEST_F(SbkWrite, EightBitDataIsWidened)
{
    Wave(1, "w", Ramp(70000, 1), 8);
    Export(kWaveKind | 1, "out.sbk");
    ASSERT_TRUE(store.Imp(dir / "out.sbk")) << LastError.message;
    Bytes widened;
    for (std::uint32_t i = 1; i <= 70000; ++i) widened.Le16((i & 0x7F) << 8);
    EXPECT_TRUE(Decoded(*store.FetchWave(kWaveKind | 0)) == widened.Le16(0).Data());
}

}  // namespace
