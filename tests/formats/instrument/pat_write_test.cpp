// The GF1 writer byte for byte, round trips of freepats' patches, and TiMidity playing what
// KOBA wrote.
#include "formats/instrument/pat_write.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "formats/instrument/gf1.h"
#include "kit/capture_sink.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "kit/tools.h"
#include "store/copy_routines.h"
#include "store/creator_text.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

std::uint32_t Le32At(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}
std::uint16_t Le16At(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return static_cast<std::uint16_t>(f[at] | f[at + 1] << 8);
}

struct WriteFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};
    TempDir dir;

    // A 16-bit mono wavesample of `length` frames counting up from 1.
    WavesampleRec& Wave(std::uint32_t index, std::uint32_t length, const char* name = "Tone")
    {
        Bytes data;
        for (std::uint32_t i = 0; i < length; ++i) data.Le16(i + 1);
        const std::string source = dir / ("source" + std::to_string(index) + ".raw");
        WriteFileBytes(source, data.Data());
        WavesampleRec& w = *store.NewWavesample(index, std_Copy, name, static_cast<int>(std::strlen(name)));
        std::strcpy(w.sourcePath, source.c_str());
        w.bits = 16, w.bytesPerSample = 2, w.isSigned = 1, w.length = length, w.loopEnd = length - 1;
        return w;
    }
    std::vector<std::uint8_t> Export(ItemId id)
    {
        EXPECT_TRUE(store.Exp(dir / "out.pat", id)) << LastError.location << ": " << LastError.message;
        return ReadFileBytes(dir / "out.pat");
    }
};

using PatWrite = WriteFixture;

TEST_F(PatWrite, AThousandSampleWavesampleByteForByte)
{
    WavesampleRec& w = Wave(1, 1000, "Flute in C");
    w.sampleRate = 44100, w.rootKey = 69, w.pan = 63, w.volume = 100;
    const std::vector<std::uint8_t> out = Export(kWaveKind | 1);
    Bytes expected = Bytes{}.Text("GF1PATCH110", 12).Text("ID#000002", 10).Text(kCreatorText, 60)
                         .U8(1, 14, 1).Le16(1, 100).Le32(2016).Zeros(36)
                         .Le16(0).Text("Flute in C", 16).Le32(2096 + 110).U8(1).Zeros(40)
                         .U8(0, 0).Le32(2096).U8(1).Zeros(40)
                         .Text("Flute i", 7).U8(0).Le32(2000, 0, 1998).Le16(44100)
                         .Le32(pat_KeyToFreq(0, 0), pat_KeyToFreq(119, 0), pat_KeyToFreq(69, 0)).Le16(1).U8(7)
                         .U8(63, 63, 63, 63, 63, 63).U8(246, 246, 246, 246, 246, 246).Zeros(6)
                         .U8(0x40 | 0x01).Le16(60, 1024).Zeros(36);
    for (int i = 0; i < 1000; ++i) expected.Le16(i + 1);
    EXPECT_EQ(out, expected.Data());
}

TEST_F(PatWrite, InstrumentRegionsLoopsAndTheExtraSample)
{
    WavesampleRec& looped = Wave(1, 1000, "loop");
    looped.loopFlags = kLoopFound, looped.loopStart = 10, looped.loopEnd = 1200;
    WavesampleRec& plain = Wave(2, 8, "plain");
    plain.hasEnvelope = 1, plain.envTime[0] = 5000, plain.envLevel[1] = 100;
    WavesampleRec& zeroEnd = Wave(3, 8, "zero");
    zeroEnd.loopFlags = kLoopFound, zeroEnd.loopEnd = 0;
    InstrumentRec& inst = *store.NewInstrument(1, 1, "Keys", 4);
    inst.layer.regionCount = 3;  // as the import driver's completion leaves them
    inst.layer.regions[0] = {kWaveKind | 1, 0, 35};
    inst.layer.regions[1] = {kWaveKind | 2, 36, 59};
    inst.layer.regions[2] = {kWaveKind | 3, 60, 127};
    inst.layer.layerBytes = 2000 + 16 + 16;
    const std::vector<std::uint8_t> out = Export(kInstrumentKind | 1);
    EXPECT_EQ(looped.loopEnd, 1000u);  // clamped in the store
    ASSERT_EQ(out[85], 3);
    std::size_t at = 239;
    // Wave 1: keys 0..35 written as 0..36, one extra sample equal to the first.
    EXPECT_EQ(Le32At(out, at + 8), 1001u * 2);
    EXPECT_EQ(Le32At(out, at + 16), 1000u * 2);
    EXPECT_EQ(Le32At(out, at + 22), static_cast<std::uint32_t>(pat_KeyToFreq(0, 0)));
    EXPECT_EQ(Le32At(out, at + 26), static_cast<std::uint32_t>(pat_KeyToFreq(36, 0)));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + at + 37, out.begin() + at + 49),
              (std::vector<std::uint8_t>{63, 63, 63, 208, 63, 63, 246, 246, 246, 8, 8, 8}));
    at += 96 + 2002;
    EXPECT_EQ(Le16At(out, at - 2), 1);  // the extra sample
    // Wave 2: keys 36..59 → 36 and 60; no loop, so the default envelope whatever it keeps.
    EXPECT_EQ(Le32At(out, at + 22), static_cast<std::uint32_t>(pat_KeyToFreq(36, 0)));
    EXPECT_EQ(Le32At(out, at + 26), static_cast<std::uint32_t>(pat_KeyToFreq(60, 0)));
    EXPECT_EQ(Le32At(out, at + 8), 16u);
    EXPECT_EQ(out[at + 37], 63);
    EXPECT_EQ(out[at + 43 + 3], 246);
    at += 96 + 16;
    // Wave 3: keys 60..127 → high key 119; loop end 0 becomes the wave size.
    EXPECT_EQ(Le32At(out, at + 26), static_cast<std::uint32_t>(pat_KeyToFreq(119, 0)));
    EXPECT_EQ(Le32At(out, at + 16), Le32At(out, at + 8));
    EXPECT_EQ(out.size(), at + 96 + 16);
}

TEST_F(PatWrite, AnInstrumentWithoutRegionsIsTheBlockAlone)
{
    store.NewInstrument(1, NO_ITEM, "Empty", 5)->layer.regionCount = 0;
    const std::vector<std::uint8_t> out = Export(kInstrumentKind | 1);
    EXPECT_EQ(out.size(), 239u);
    EXPECT_EQ(out[85], 0);
}

TEST_F(PatWrite, PanBecomesBalance)
{
    for (auto [pan, balance] : {std::pair{63, 7}, std::pair{127, 15}, std::pair{0, 0}}) {
        WavesampleRec& w = Wave(1, 4);
        w.pan = static_cast<std::uint8_t>(pan);
        EXPECT_EQ(Export(kWaveKind | 1)[239 + 36], balance);
    }
}

TEST_F(PatWrite, OnlyWavesamplesAndInstruments)
{
    store.NewBank("b", 1);
    EXPECT_FALSE(store.Exp(dir / "x.pat", kBankId));
    EXPECT_EQ(LastError.location, "pat_Write");
    EXPECT_EQ(LastError.message, "Export type not supported by .PAT");
}

}  // namespace
