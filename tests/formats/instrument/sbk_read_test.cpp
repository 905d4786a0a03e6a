// The SoundFont reader on built version-1 banks.
#include "formats/instrument/sbk_read.h"

#include <gtest/gtest.h>

#include <cstring>

#include "formats/instrument/sbk.h"
#include "kit/capture_sink.h"
#include "kit/riff_file.h"
#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

struct Gen {
    std::uint16_t number;
    std::uint16_t amount;
};
struct Header {
    const char* name;
    std::uint16_t firstZone;
    std::uint16_t preset = 0;
};
struct SampleHeader {
    std::uint32_t start, end, loopStart, loopEnd;
};

// A version-1 bank: sample names, sample data of `dataSamples` zero samples, presets and
// instruments with their zones (each zone a list of generators).
struct BankSpec {
    std::vector<const char*> names;
    std::vector<SampleHeader> samples;
    std::uint32_t dataSamples = 4000;
    std::vector<Header> presets;
    std::vector<std::vector<Gen>> presetZones;
    std::vector<Header> instruments;
    std::vector<std::vector<Gen>> instrumentZones;
    std::uint16_t version = 1;

    Bytes Build() const
    {
        Bytes snam;
        for (const char* name : names) snam.Text(name, 20);
        Bytes phdr, pbag, pgen, inst, ibag, igen, shdr;
        for (const Header& h : presets) phdr.Text(h.name, 20).Le16(h.preset, 0, h.firstZone).Zeros(12);
        phdr.Text("EOP", 20).Le16(0, 0, presetZones.size()).Zeros(12);
        for (const Header& h : instruments) inst.Text(h.name, 20).Le16(h.firstZone);
        inst.Text("EOI", 20).Le16(instrumentZones.size());
        Zones(presetZones, pbag, pgen);
        Zones(instrumentZones, ibag, igen);
        for (const SampleHeader& s : samples) shdr.Le32(s.start, s.end, s.loopStart, s.loopEnd);
        return RiffForm("sfbk", {ListChunk("INFO", {Chunk("ifil", Bytes{}.Le16(version, 0)), Chunk("INAM", Bytes{}.Text("Test Bank", 10))}),
                                 ListChunk("sdta", {Chunk("snam", snam), Chunk("smpl", Bytes{}.Zeros(2 * dataSamples))}),
                                 ListChunk("pdta", {Chunk("phdr", phdr), Chunk("pbag", pbag), Chunk("pmod", Bytes{}.Zeros(6)),
                                                    Chunk("pgen", pgen), Chunk("inst", inst), Chunk("ibag", ibag),
                                                    Chunk("imod", Bytes{}.Zeros(6)), Chunk("igen", igen), Chunk("shdr", shdr)})});
    }
    static void Zones(const std::vector<std::vector<Gen>>& zones, Bytes& bag, Bytes& gen)
    {
        std::uint16_t index = 0;
        for (const auto& zone : zones) {
            bag.Le16(index, 0);
            for (const Gen& g : zone) gen.Le16(g.number, g.amount);
            index = static_cast<std::uint16_t>(index + zone.size());
        }
        bag.Le16(index, 0);
        gen.Le16(0, 0);
    }
};

struct SbkFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host};
    std::unique_ptr<TempFile> file;

    bool Import(const Bytes& bytes)
    {
        file = std::make_unique<TempFile>("test.sbk", bytes);
        return store.Imp(file->Path());
    }
    // The key map of an instrument as wave indices, -1 for no sound.
    std::vector<int> Keys(ItemId instrument)
    {
        std::vector<int> keys;
        for (ItemId entry : store.FetchInstrument(instrument)->layer.keyMap) {
            keys.push_back(store.FetchWave(entry) != nullptr ? static_cast<int>(entry & kIndexMask) : -1);
        }
        return keys;
    }
};

constexpr ItemId Preset(std::uint32_t firstZone)
{
    return kInstrumentKind | 0x4000000 | firstZone;
}

// One preset per instrument, each instrument one zone on one sample.
BankSpec SimpleBank()
{
    BankSpec b;
    b.names = {"first", "second"};
    b.samples = {{0, 999, 100, 900}, {1040, 1999, 1040, 1999}};
    b.presets = {{"Piano", 0, 5}, {"Organ", 1, 9}};
    b.presetZones = {{{41, 0}}, {{41, 1}}};
    b.instruments = {{"Piano", 0}, {"Organ", 1}};
    b.instrumentZones = {{{43, 0 + 256 * 59}, {58, 48}, {55, 6100}, {17, 20}, {54, 1}, {53, 0}},
                         {{58, 72}, {55, 5900}, {53, 1}}};
    return b;
}

using SbkRead = SbkFixture;

TEST_F(SbkRead, PresetsKeepTheirInstrumentsKeysAndSamples)
{
    ASSERT_TRUE(Import(SimpleBank().Build())) << LastError.message;
    EXPECT_EQ(store.formatIndex, 32);
    EXPECT_STREQ(store.FetchBank()->name, "Test Bank");
    ASSERT_NE(store.FetchInstrument(Preset(0)), nullptr);
    EXPECT_EQ(store.FetchInstrument(kInstrumentKind | 0), nullptr);  // folded
    EXPECT_EQ(store.FetchInstrument(Preset(0))->program, 5);
    EXPECT_EQ(store.FetchInstrument(Preset(1))->program, 9);
    std::vector<int> piano = Keys(Preset(0));
    EXPECT_EQ(piano[0], 0);
    EXPECT_EQ(piano[59], 0);
    EXPECT_EQ(piano[60], -1);
    EXPECT_EQ(Keys(Preset(1))[127], 1);
    const WavesampleRec& first = *store.FetchWave(kWaveKind | 0);
    EXPECT_EQ(first.length, 1000u);
    EXPECT_EQ(first.loopStart, 100u);
    EXPECT_EQ(first.loopEnd, 900u);
    EXPECT_EQ(first.rootKey, 48);
    EXPECT_EQ(first.sampleRate, 41624u);
    EXPECT_EQ(first.pan, 20);
    EXPECT_EQ(first.loopFlags & kLoopFound, kLoopFound);
    EXPECT_EQ(first.bits, 16);
    const WavesampleRec& second = *store.FetchWave(kWaveKind | 1);
    EXPECT_EQ(second.sampleRate, 46722u);
    EXPECT_EQ(second.dataOffset, first.dataOffset + 2080);
    EXPECT_EQ(second.pan, 63);
    EXPECT_EQ(second.loopFlags, 0);
}

TEST_F(SbkRead, SampleHeadersPlaceTheData)
{
    BankSpec b = SimpleBank();
    b.samples[1] = {1000, 1999, 1500, 1900};
    ASSERT_TRUE(Import(b.Build()));
    const WavesampleRec& w = *store.FetchWave(kWaveKind | 1);
    EXPECT_EQ(w.length, 1000u);
    EXPECT_EQ(w.dataOffset - store.FetchWave(kWaveKind | 0)->dataOffset, 2000u);
    EXPECT_EQ(w.loopStart, 500u);
    EXPECT_EQ(w.loopEnd, 900u);
}

TEST_F(SbkRead, RomSamplesBeforeTheFirstAtZeroAreDropped)
{
    BankSpec b = SimpleBank();
    b.names = {"rom1", "rom2", "ram", "ram2"};
    b.samples = {{100000, 100100, 0, 0}, {200000, 200100, 0, 0}, {0, 10, 0, 0}, {50, 60, 0, 0}};
    ASSERT_TRUE(Import(b.Build()));
    EXPECT_EQ(store.FetchWave(kWaveKind | 0), nullptr);
    EXPECT_EQ(store.FetchWave(kWaveKind | 1), nullptr);
    ASSERT_NE(store.FetchWave(kWaveKind | 2), nullptr);
    ASSERT_NE(store.FetchWave(kWaveKind | 3), nullptr);
}

TEST_F(SbkRead, ZonesWithoutKeyRangeAndASecondSampleInOneZone)
{
    BankSpec b = SimpleBank();
    b.instrumentZones[1] = {{53, 1}, {53, 0}};  // the second sample's low key is 128: no keys
    ASSERT_TRUE(Import(b.Build()));
    const std::vector<int> organ = Keys(Preset(1));
    EXPECT_EQ(organ[0], 1);
    EXPECT_EQ(organ[127], 1);
}

TEST_F(SbkRead, MultiZoneAndSharedInstrumentsFoldIntoEveryPresetThatUsesThem)
{
    BankSpec b = SimpleBank();
    b.instruments = {{" ", 0}};  // a blank name takes the preset's
    b.instrumentZones = {{{43, 0 + 256 * 59}, {53, 0}}, {{43, 60 + 256 * 127}, {53, 1}}};
    b.presetZones = {{{41, 0}}, {{41, 0}}};
    ASSERT_TRUE(Import(b.Build()));
    for (ItemId preset : {Preset(0), Preset(1)}) {
        const std::vector<int> keys = Keys(preset);
        EXPECT_EQ(keys[10], 0);
        EXPECT_EQ(keys[100], 1);
    }
    EXPECT_EQ(store.FetchInstrument(kInstrumentKind | 0), nullptr);
}

TEST_F(SbkRead, AnUnusedInstrumentStaysAnItem)
{
    BankSpec b = SimpleBank();
    b.presetZones = {{{41, 0}}, {}};
    ASSERT_TRUE(Import(b.Build()));
    EXPECT_NE(store.FetchInstrument(kInstrumentKind | 1), nullptr);
    EXPECT_EQ(store.FetchInstrument(Preset(1)), nullptr);  // no keys: removed at completion
}

TEST_F(SbkRead, SoundFont2AndNonRiffFilesAreRefused)
{
    BankSpec b = SimpleBank();
    b.version = 2;
    EXPECT_FALSE(Import(b.Build()));
    EXPECT_EQ(LastError.location, "sbk_Read");
    EXPECT_EQ(LastError.message, "SoundFont 2 banks are not supported, only version 1 (.sbk)");
    ItemId id;
    void* record;
    EXPECT_FALSE(store.NextItem(0, id, record));
    TempFile rifx("rifx.sbk", Bytes{}.Tag("RIFX").Zeros(100));  // only reached when called directly
    File opened = File::OpenRead(rifx.Path());
    EXPECT_FALSE(sbk_Read(store, opened));
    EXPECT_EQ(LastError.message, "Not a RIFF file!");
}

TEST_F(SbkRead, HostileIndicesAndTruncationAreHarmless)
{
    BankSpec b = SimpleBank();
    b.presetZones = {{{41, 999}, {53, 60000}}, {{41, 1}}};
    b.samples.push_back({5000, 1000, 0, 0});  // end before start, and no such wavesample
    ASSERT_TRUE(Import(b.Build()));
    const Bytes full = SimpleBank().Build();
    for (std::size_t cut = 12; cut < full.Size(); cut += 3) {
        Import(Bytes{}.Append(std::vector<std::uint8_t>(full.Data().begin(), full.Data().begin() + cut)));
        ItemId id;
        void* record;
        for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
            if (!IsWave(id)) continue;
            Capture capture;
            EXPECT_TRUE(CaptureWave(store, *static_cast<WavesampleRec*>(record), capture)) << cut;
        }
    }
}

TEST(SbkPitch, CentsAndRatesAsTheFormatHasThem)
{
    struct Case {
        std::uint32_t rate;
        std::uint16_t cents;
    };
    for (const Case& c : {Case{44100, 6000}, Case{22050, 7199}, Case{11025, 8399}, Case{32000, 6555}, Case{48000, 5853}}) {
        EXPECT_EQ(SbkRateToCents(c.rate, 0), c.cents) << c.rate;
    }
    EXPECT_EQ(SbkRateToCents(44100, 64), 6050);
    EXPECT_EQ(SbkRateToCents(44100, -1), 6000);
    EXPECT_EQ(SbkCentsToRate(6100), 41624u);
    EXPECT_EQ(SbkCentsToRate(5900), 46722u);
    EXPECT_EQ(SbkCentsToRate(7199), 22062u);
}

}  // namespace
