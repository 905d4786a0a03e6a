// The GF1 reader on built patches, damaged ones too (freepats' real ones: pat_peers_test).
#include "../format_kit.h"
#include "formats/instrument/gf1.h"

namespace {

struct PatchWave {
    const char* name = "wave";
    std::uint32_t size = 100;
    std::uint8_t modes = 0;
    std::uint32_t lowFrequency = 8175, highFrequency = 12542628;  // keys 0 and 127
    std::uint8_t fractions = 0, balance = 7;
    std::uint32_t declared = 0;  // a size in the header other than the data's
};

// A patch of instruments, each a list of layers, each a list of waves with zero data.
Bytes Patch(const std::vector<std::vector<std::vector<PatchWave>>>& instruments, const char* text = "GF1PATCH110")
{
    Bytes b = Bytes{}.Text(text, 12).Text("ID#000002", 10).Text("described", 60)
                  .U8(static_cast<unsigned>(instruments.size()), 14, 0).Le16(0, 0x1264).Le32(0).Zeros(36);
    for (const auto& layers : instruments) {
        b.Le16(0).Text("Inst", 16).Le32(0).U8(static_cast<unsigned>(layers.size())).Zeros(40);
        for (const auto& waves : layers) {
            b.U8(0, 0).Le32(0).U8(static_cast<unsigned>(waves.size())).Zeros(40);
            for (const PatchWave& w : waves) {
                b.Text(w.name, 7).U8(w.fractions).Le32(w.declared != 0 ? w.declared : w.size, 10, 90).Le16(22050)
                    .Le32(w.lowFrequency, w.highFrequency, static_cast<std::uint32_t>(pat_KeyToFreq(60, 0)))
                    .Le16(0).U8(w.balance).U8(63, 63, 63, 63, 63, 63).U8(246, 240, 230, 220, 210, 200).Zeros(6)
                    .U8(w.modes).Le16(60, 2048).Zeros(36 + w.size);
            }
        }
    }
    return b;
}

struct PatRead : ImportFixture {
    bool Read(const Bytes& file) { return Import(file, "test.pat"); }
};

TEST_F(PatRead, WaveFieldsAndKeyRangesFollowTheHeaders)
{
    // 16-bit, looping, sustained, from key 100 to above key 127; unsigned 8-bit with no keys.
    const auto low = static_cast<std::uint32_t>(pat_KeyToFreq(100, 0));
    const PatchWave a{"first", 1001, 0x01 | 0x04 | 0x20, low, 20000000, 0x5A, 15}, b{"next", 100, 0x02, 0, 0, 0, 0};
    ASSERT_TRUE(Read(Patch({{{a, b}}})));
    // Offsets, lengths, loops, rates and root keys of real patches: TiMidity and the golden dumps.
    const WavesampleRec& w = Wave(1);
    EXPECT_EQ(std::tuple(w.layout.isSigned, w.pan, w.scaleFactor, w.loopStartFrac, w.loopEndFrac, w.envLevel[1]),
              std::tuple(true, 124, 2048, 168, 88, 246));
    EXPECT_EQ(std::tuple(w.loopFlags, Wave(2).layout.isSigned, Wave(2).layout.bits, Wave(2).pan, Wave(2).owner),
              std::tuple(0x01 | 0x04 | 0x20 | 0x40, false, 8, 4, NO_ITEM));
    const LayerRec& l = Instrument().layer;
    EXPECT_EQ(std::tuple(l.regionCount, l.regions[0].lowKey, l.regions[0].highKey), std::tuple(1, 100, 127));
}

// Another version is refused; a wave claiming far more than the file holds reads what is there.
// Layers are instruments, waves are numbered across the file, and every cut keeps what it holds.
TEST_F(PatRead, VersionsHugeSizesLayersAndCuts)
{
    EXPECT_FALSE(Read(Patch({{{PatchWave{}}}}, "GF1PATCH100")));
    EXPECT_EQ(std::tuple(Failure(), Count(kBankId)), std::tuple("pat_Read: Not a GF1 v1.10 patch", 0u));
    ASSERT_TRUE(Read(Patch({{{PatchWave{.declared = 0xFFFFFF00u}}}})));
    EXPECT_EQ(Wave().length, 100u);
    EXPECT_LE(Decoded(Wave()).size(), 100u);
    const PatchWave w{.size = 40};
    const Bytes patch = Patch({{{w, w}, {w}}, {{w}}});
    ASSERT_TRUE(Read(patch)) << LastError.message;
    const InstrumentRec& second = Instrument(2);
    EXPECT_EQ(std::tuple(Count(kInstrumentKind), Count(kWaveKind), second.layer.volume), std::tuple(3u, 4u, 100));
    EXPECT_EQ(std::string(second.name) + "|" + second.note, "_Inst|described");
    EXPECT_EQ(Instrument(1).layer.keyMap[60], kWaveKind | 2);  // the later wave of a layer wins
    EXPECT_EQ(second.layer.keyMap[60], kWaveKind | 3);
    SweepTruncations(patch, "test.pat", 1 + 3 + 4);
}

}  // namespace
