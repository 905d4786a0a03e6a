// The SoundFont writer: banks and instruments read back key for key, 8-bit data widened.
#include "../format_kit.h"

namespace {

using SbkWrite = WriterFixture;

// A bank lists the wavesamples no instrument plays, then the instruments, as presets numbered in
// order whose first zones follow each other; a wavesample in two regions plays in both. The INFO
// list holds what SoundFont 1 players look for, and the even-length name its terminator.
TEST_F(SbkWrite, BanksAndInstrumentsReadBackKeyForKey)
{
    store.NewBank("Kits", 4);
    for (std::uint32_t i = 1; i <= 6; ++i) NewWave(i, ("w" + std::to_string(i)).c_str(), Ramp(10, 1), 8);
    NewWave(7, "low", Ramp(50, 1), 8);
    NewWave(8, "high", Ramp(70000, 1), 8).rootKey = 80;  // 8-bit, long: widened piece after piece
    NewInstrument(1, "two", [](int key) { return 1 + key / 64; });
    NewInstrument(2, "three", [](int key) { return 3 + key / 43; });
    NewInstrument(3, "split", [](int key) { return key > 30 && key <= 90 ? 8 : 7; });
    const std::vector<std::uint8_t> out = RoundTrip(kBankId, "out.sbk");
    const Bytes info = ListChunk("INFO", {Chunk("ifil", Bytes{}.Le16(1, 0)), Chunk("isng", Bytes{}.Text("EMU8000", 8)),
        Chunk("irom", Bytes{}.Text("1MGM", 6)), Chunk("iver", Bytes{}.Le16(2, 8)),
        Chunk("INAM", Bytes{}.Text("Kits", 6)), Chunk("IPRD", Bytes{}.Text("SBAWE32", 8))});
    EXPECT_TRUE(std::equal(info.Data().begin() + 8, info.Data().end(), out.begin() + 20));  // past LIST and its size
    std::string got;
    for (int z : {0, 1, 3, 6}) got += Instrument(kPreset | z).name + std::to_string(Instrument(kPreset | z).program);
    EXPECT_EQ(got, "w60two1three2split3");  // names and programs
    const LayerRec& split = Instrument(kPreset | 6).layer;
    ASSERT_EQ(split.regionCount, 3);
    EXPECT_EQ(std::tuple(split.regions[0].highKey, split.regions[2].lowKey), std::tuple(30, 91));
    EXPECT_STREQ(store.FetchWave(split.keyMap[10])->name, "low");
    EXPECT_EQ(split.keyMap[120], split.keyMap[10]);
    const WavesampleRec& high = *store.FetchWave(split.keyMap[60]);
    EXPECT_EQ(std::tuple(high.rootKey, high.length, high.volume), std::tuple(80, 70000u, 100));
    Bytes widened;
    for (std::uint32_t i = 1; i <= 70000; ++i) widened.Le16((i & 0x7F) << 8);
    EXPECT_TRUE(Decoded(high) == widened.Data());
}

}  // namespace
