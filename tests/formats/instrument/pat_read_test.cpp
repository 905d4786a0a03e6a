// The GF1 reader on built patches and on freepats' real ones.
#include "formats/instrument/pat_read.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "formats/instrument/gf1.h"
#include "kit/capture_sink.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

struct WaveSpec {
    const char* name = "wave";
    std::uint32_t size = 100;
    std::uint8_t modes = 0;
    std::uint32_t lowFrequency = static_cast<std::uint32_t>(pat_KeyToFreq(0, 0));
    std::uint32_t highFrequency = static_cast<std::uint32_t>(pat_KeyToFreq(127, 0));
    std::uint8_t fractions = 0;
    std::uint8_t balance = 7;
};

Bytes WaveHeaderBytes(const WaveSpec& w)
{
    return Bytes{}.Text(w.name, 7).U8(w.fractions).Le32(w.size, 10, 90).Le16(22050)
        .Le32(w.lowFrequency, w.highFrequency, static_cast<std::uint32_t>(pat_KeyToFreq(60, 0)))
        .Le16(0).U8(w.balance).U8(63, 63, 63, 63, 63, 63).U8(246, 246, 246, 246, 246, 246).Zeros(6)
        .U8(w.modes).Le16(60, 1024).Zeros(36);
}

// A patch of instruments, each a list of layers, each a list of waves with zero data.
Bytes Patch(const std::vector<std::vector<std::vector<WaveSpec>>>& instruments, const char* text = "GF1PATCH110")
{
    Bytes b = Bytes{}.Text(text, 12).Text("ID#000002", 10).Text("described", 60)
                  .U8(static_cast<unsigned>(instruments.size()), 14, 0).Le16(0, 0x1264).Le32(0).Zeros(36);
    for (const auto& layers : instruments) {
        b.Le16(0).Text("Inst", 16).Le32(0).U8(static_cast<unsigned>(layers.size())).Zeros(40);
        for (const auto& waves : layers) {
            b.U8(0, 0).Le32(0).U8(static_cast<unsigned>(waves.size())).Zeros(40);
            for (const WaveSpec& w : waves) b.Append(WaveHeaderBytes(w)).Zeros(w.size);
        }
    }
    return b;
}

struct PatFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};
    std::unique_ptr<TempFile> file;

    bool Import(const Bytes& bytes)
    {
        file = std::make_unique<TempFile>("test.pat", bytes);
        return store.Imp(file->Path());
    }
    std::size_t Count(ItemId kind)
    {
        std::size_t n = 0;
        ItemId id;
        void* record;
        for (std::uint32_t i = 0; store.NextItem(i, id, record); ++i) n += (id & kKindMask) == kind;
        return n;
    }
};

using PatRead = PatFixture;

TEST_F(PatRead, EveryLayerIsAnInstrumentAndWavesAreNumberedAcrossTheFile)
{
    const WaveSpec w;
    ASSERT_TRUE(Import(Patch({{{w}, {w, w}}, {{w}, {w}}}))) << LastError.message;
    EXPECT_EQ(store.formatIndex, 26);
    for (std::uint32_t i = 1; i <= 4; ++i) ASSERT_NE(store.FetchInstrument(kInstrumentKind | i), nullptr) << i;
    for (std::uint32_t i = 1; i <= 5; ++i) ASSERT_NE(store.FetchWave(kWaveKind | i), nullptr) << i;
    const InstrumentRec& second = *store.FetchInstrument(kInstrumentKind | 2);
    EXPECT_STREQ(second.name, "_Inst");
    EXPECT_STREQ(second.note, "described");
    EXPECT_EQ(second.layer.volume, 0x64);
    EXPECT_EQ(second.layer.keyMap[60], kWaveKind | 3);  // the later wave of the layer wins
    EXPECT_EQ(store.FetchWave(kWaveKind | 2)->owner, NO_ITEM);
}

TEST_F(PatRead, WaveFieldsFollowTheHeader)
{
    WaveSpec w;
    w.size = 1001;
    w.modes = 0x01 | 0x04 | 0x20;  // 16-bit, looping, sustained
    w.fractions = 0x5A;
    w.balance = 15;
    WaveSpec next;
    next.name = "next";
    next.balance = 0;
    next.modes = 0x02;  // unsigned 8-bit
    ASSERT_TRUE(Import(Patch({{{w, next}}})));
    const WavesampleRec& a = *store.FetchWave(kWaveKind | 1);
    EXPECT_EQ(a.length, 500u);
    EXPECT_EQ(a.bits, 16);
    EXPECT_EQ(a.isSigned, 1u);
    EXPECT_EQ(a.loopStart, 5u);
    EXPECT_EQ(a.loopEnd, 45u);
    EXPECT_EQ(a.loopStartFrac, 168);
    EXPECT_EQ(a.loopEndFrac, 88);
    EXPECT_EQ(a.loopFlags, 0x01 | 0x04 | 0x20 | 0x40);
    EXPECT_EQ(a.pan, 124);
    EXPECT_EQ(a.rootKey, 60);
    EXPECT_EQ(a.dataOffset, 129u + 63 + 47 + 96);
    EXPECT_EQ(a.hasEnvelope, 1u);
    EXPECT_EQ(a.envLevel[1], 246);
    EXPECT_EQ(a.envTime[2], 0u);
    EXPECT_EQ(a.scaleFactor, 1024);
    const WavesampleRec& b = *store.FetchWave(kWaveKind | 2);
    EXPECT_STREQ(b.name, "next");
    EXPECT_EQ(b.dataOffset, 129u + 63 + 47 + 96 + 1001 + 96);
    EXPECT_EQ(b.isSigned, 0u);
    EXPECT_EQ(b.bits, 8);
    EXPECT_EQ(b.pan, 4);
}

TEST_F(PatRead, KeyRangesFromFrequencies)
{
    WaveSpec silent;
    silent.lowFrequency = 0;  // low key 255: no key at all
    WaveSpec top;
    top.lowFrequency = static_cast<std::uint32_t>(pat_KeyToFreq(100, 0));
    top.highFrequency = 20000000;  // above key 127
    ASSERT_TRUE(Import(Patch({{{top, silent}}})));
    const InstrumentRec& i = *store.FetchInstrument(kInstrumentKind | 1);
    ASSERT_EQ(i.layer.regionCount, 1);
    EXPECT_EQ(i.layer.regions[0].lowKey, 100);
    EXPECT_EQ(i.layer.regions[0].highKey, 127);
    EXPECT_NE(store.FetchWave(kWaveKind | 2), nullptr);
    EXPECT_EQ(store.FetchWave(kWaveKind | 2)->owner, NO_ITEM);
}

TEST_F(PatRead, OnlyVersion110IsRead)
{
    EXPECT_FALSE(Import(Patch({{{WaveSpec{}}}}, "GF1PATCH100")));
    EXPECT_EQ(LastError.location, "pat_Read");
    EXPECT_EQ(LastError.message, "Not a GF1 v1.10 patch");
    EXPECT_EQ(Count(kBankId), 0u);
    EXPECT_EQ(store.formatIndex, 26);  // still detected as a patch
}

TEST_F(PatRead, ATruncatedPatchKeepsWhatItHoldsAndInventsNothing)
{
    WaveSpec w;
    w.size = 40;
    const Bytes full = Patch({{{w, w}, {w}}, {{w}}});
    for (std::size_t cut = 129; cut <= full.Size(); ++cut) {
        ASSERT_TRUE(Import(Bytes{}.Append(std::vector<std::uint8_t>(full.Data().begin(), full.Data().begin() + cut))));
        ItemId id;
        void* record;
        for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
            if (!IsWave(id)) continue;
            const auto& wave = *static_cast<const WavesampleRec*>(record);
            EXPECT_LE(std::uint64_t{wave.dataOffset} + wave.length, cut) << cut;
            Capture capture;
            EXPECT_TRUE(CaptureWave(store, wave, capture));
        }
        EXPECT_LE(Count(kWaveKind), 4u);
    }
}

TEST_F(PatRead, HugeCountsInAShortFileCreateNothingExtra)
{
    Bytes b = Patch({});
    std::vector<std::uint8_t> bytes = b.Data();
    bytes[82] = 255;  // 255 instruments, none there
    ASSERT_TRUE(Import(Bytes{}.Append(bytes)));
    EXPECT_EQ(Count(kInstrumentKind), 0u);
    EXPECT_EQ(Count(kBankId), 1u);
}

// An independent reading of a patch's wave headers, by their offsets.
struct RawWave {
    std::string name;
    std::uint32_t dataOffset, size, loopStart, loopEnd, rate, root;
    std::uint8_t modes;
};

std::uint32_t Le(const std::vector<std::uint8_t>& f, std::size_t at, int width)
{
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | f[at + static_cast<std::size_t>(i)];
    return v;
}

std::vector<RawWave> RawWaves(const std::vector<std::uint8_t>& f)
{
    std::vector<RawWave> waves;
    std::size_t at = 129;
    for (unsigned i = 0; i < f[82]; ++i) {
        const unsigned layers = f[at + 22];
        at += 63;
        for (unsigned l = 0; l < layers; ++l) {
            const unsigned count = f[at + 6];
            at += 47;
            for (unsigned w = 0; w < count; ++w) {
                RawWave r{std::string(reinterpret_cast<const char*>(&f[at]), strnlen(reinterpret_cast<const char*>(&f[at]), 7)),
                          static_cast<std::uint32_t>(at + 96), Le(f, at + 8, 4), Le(f, at + 12, 4), Le(f, at + 16, 4),
                          Le(f, at + 20, 2), Le(f, at + 30, 4), f[at + 55]};
                waves.push_back(r);
                at += 96 + r.size;
            }
        }
    }
    return waves;
}

const char* const kFreepats[] = {"Tone_000/000_Acoustic_Grand_Piano.pat", "Drum_000/038_Snare_1.pat",
                                 "Tone_000/048_String_Ensemble_1_Marcato.pat"};

std::string FreepatsPath(const char* name)
{
    return std::string("/usr/share/midi/freepats/") + name;
}

TEST(PatFreepats, WavesMatchTheirHeaders)
{
    for (const char* name : kFreepats) {
        const std::string path = FreepatsPath(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << path << " (Debian package freepats)";
        const std::vector<RawWave> raw = RawWaves(ReadFileBytes(path));
        ScriptedHost host;
        WaveStore store(host);
        ASSERT_TRUE(store.Imp(path)) << LastError.message;
        ASSERT_FALSE(raw.empty());
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const WavesampleRec* w = store.FetchWave(kWaveKind | static_cast<std::uint32_t>(i + 1));
            ASSERT_NE(w, nullptr) << name << " wave " << i;
            const int shift = raw[i].modes & 1;
            EXPECT_EQ(w->name, raw[i].name.substr(0, 7));
            EXPECT_EQ(w->dataOffset, raw[i].dataOffset);
            EXPECT_EQ(w->length, raw[i].size >> shift);
            EXPECT_EQ(w->loopStart, raw[i].loopStart >> shift);
            EXPECT_EQ(w->loopEnd, raw[i].loopEnd >> shift);
            EXPECT_EQ(w->sampleRate, raw[i].rate);
            EXPECT_EQ(w->bits, shift ? 16 : 8);
            EXPECT_EQ(w->isSigned, (raw[i].modes & 2) == 0 ? 1u : 0u);
            EXPECT_EQ(pat_FreqToKey(raw[i].root), w->rootKey);
        }
    }
}

}  // namespace
