// The SoundFont reader on built version-1 banks, hostile and cut ones too.
#include "../format_kit.h"
#include "formats/instrument/sbk.h"

namespace {

// A version-1 bank: samples (name; start, end, loop start, loop end) in `dataSamples` zeros,
// presets and instruments (name, first zone, program), bags (the terminal one included) and
// generators (the terminal one added). By default two presets on one-zone instruments.
struct TestBank {
    std::vector<std::string> names = {"first", "second"};
    std::vector<std::array<std::uint32_t, 4>> samples = {{{0, 999, 100, 900}}, {{1040, 1999, 1040, 1999}}};
    std::uint32_t dataSamples = 4000;
    std::vector<std::tuple<std::string, std::uint16_t, std::uint16_t>> presets = {{"Piano", 0, 5}, {"Organ", 1, 9}};
    std::vector<std::tuple<std::string, std::uint16_t, std::uint16_t>> instruments = {{"Piano", 0, 0}, {"Organ", 1, 0}};
    std::vector<std::uint16_t> presetBags = {0, 1, 2}, instrumentBags = {0, 6, 9};
    std::vector<std::pair<std::uint16_t, std::uint16_t>> presetGens = {{41, 0}, {41, 1}}, instrumentGens = {
        {43, 0 + 256 * 59}, {58, 48}, {55, 6100}, {17, 20}, {54, 1}, {53, 0}, {58, 72}, {55, 5900}, {53, 1}};
    std::uint16_t version = 1;

    Bytes Build() const
    {
        Bytes snam, phdr, pbag, pgen, inst, ibag, igen, shdr;
        for (const std::string& name : names) snam.Text(name, 20);
        for (const auto& [name, zone, program] : presets) phdr.Text(name, 20).Le16(program, 0, zone).Zeros(12);
        for (const auto& [name, zone, program] : instruments) inst.Text(name, 20).Le16(zone);
        for (std::uint16_t bag : presetBags) pbag.Le16(bag, 0);
        for (std::uint16_t bag : instrumentBags) ibag.Le16(bag, 0);
        for (auto [number, amount] : presetGens) pgen.Le16(number, amount);
        for (auto [number, amount] : instrumentGens) igen.Le16(number, amount);
        for (const auto& s : samples) shdr.Le32(s[0], s[1], s[2], s[3]);
        phdr.Text("EOP", 20).Le16(0, 0, presetBags.size() - 1).Zeros(12);
        inst.Text("EOI", 20).Le16(instrumentBags.size() - 1);
        const Bytes sdta = ListChunk("sdta", {Chunk("snam", snam), Chunk("smpl", Bytes{}.Zeros(2 * dataSamples))});
        const Bytes pdta = ListChunk("pdta", {Chunk("phdr", phdr), Chunk("pbag", pbag), Chunk("pmod", Bytes{}.Zeros(6)),
            Chunk("pgen", pgen.Le16(0, 0)), Chunk("inst", inst), Chunk("ibag", ibag), Chunk("imod", Bytes{}.Zeros(6)),
            Chunk("igen", igen.Le16(0, 0)), Chunk("shdr", shdr)});
        const Bytes ifil = Chunk("ifil", Bytes{}.Le16(version, 0));
        return RiffForm("sfbk", {ListChunk("INFO", {ifil, Chunk("INAM", Bytes{}.Text("Bank", 5))}), sdta, pdta});
    }
};

struct SbkRead : ImportFixture {
    bool Read(const TestBank& bank) { return Import(bank.Build(), "test.sbk"); }
    int Plays(ItemId instrument, int key) const
    {
        const ItemId entry = store.FetchInstrument(instrument)->layer.keyMap[key];
        return store.FetchWave(entry) != nullptr ? static_cast<int>(entry & kIndexMask) : -1;
    }
};

TEST_F(SbkRead, PresetsKeepTheirInstrumentsKeysAndSamples)
{
    ASSERT_TRUE(Read(TestBank{})) << LastError.message;
    EXPECT_EQ(std::tuple(std::string(store.FetchBank()->name), Count(kInstrumentKind)), std::tuple("Bank", 2u));
    EXPECT_EQ(std::tuple(Instrument(kPreset | 0).program, Instrument(kPreset | 1).program), std::tuple(5, 9));
    EXPECT_EQ(std::tuple(Plays(kPreset, 0), Plays(kPreset, 59), Plays(kPreset, 60), Plays(kPreset | 1, 127)),
              std::tuple(0, 0, -1, 1));
    const WavesampleRec& w = Wave(0);
    EXPECT_EQ(std::tuple(w.length, w.loopStart, w.loopEnd, w.rootKey, w.sampleRate, w.pan, Loops(w), w.layout.bits),
              std::tuple(999u, 100u, 900u, 48, 41624u, 20, true, 16));
    const WavesampleRec& v = Wave(1);
    EXPECT_EQ(std::tuple(v.sampleRate, v.layout.offset - w.layout.offset, v.loopEnd, v.pan, Loops(v)),
              std::tuple(46722u, 2080u, 959u, 63, false));
}

// ROM samples (those before the first at 0) are dropped; a SoundFont 2 bank leaves nothing.
TEST_F(SbkRead, RomSamplesAreDroppedAndSoundFont2IsRefused)
{
    TestBank b{.names = {"rom1", "rom2", "ram", "ram2"},
               .samples = {{100000, 100100, 0, 0}, {200000, 200100, 0, 0}, {0, 10, 0, 0}, {50, 60, 0, 0}}};
    ASSERT_TRUE(Read(b));
    EXPECT_EQ(std::tuple(store.FetchWave(kWaveKind | 1), Count(kWaveKind)), std::tuple(nullptr, 2u));
    b.version = 2;
    EXPECT_FALSE(Read(b));
    EXPECT_EQ(Failure(), "sbk_Read: SoundFont 2 banks are not supported, only version 1 (.sbk)");
    EXPECT_EQ(Count(kWaveKind) + Count(kInstrumentKind) + Count(kBankId), 0u);
}

TEST_F(SbkRead, ZonesFoldIntoEveryPresetThatUsesThem)
{
    // Two presets on one instrument of two zones (a blank name, filled in as it is folded).
    TestBank b{.instruments = {{" ", 0, 0}}, .instrumentBags = {0, 2, 4}, .presetGens = {{41, 0}, {41, 0}},
               .instrumentGens = {{43, 0 + 256 * 59}, {53, 0}, {43, 60 + 256 * 127}, {53, 1}}};
    ASSERT_TRUE(Read(b));
    EXPECT_EQ(std::tuple(Plays(kPreset, 10), Plays(kPreset, 100), Plays(kPreset | 1, 10), Plays(kPreset | 1, 100)),
              std::tuple(0, 1, 0, 1));
    EXPECT_EQ(Count(kInstrumentKind), 2u);
    b = TestBank{.presetGens = {{41, 1}, {17, 0}}};  // instrument 0 in no preset
    b.instrumentGens.resize(6);
    b.instrumentGens.insert(b.instrumentGens.end(), {{53, 1}, {53, 0}});  // sample 0 gets no keys left
    ASSERT_TRUE(Read(b));
    EXPECT_EQ(std::tuple(Plays(kPreset, 0), Plays(kPreset, 127)), std::tuple(1, 1));
    EXPECT_EQ(store.FetchInstrument(kPreset | 1), nullptr);  // no keys: removed at completion
    EXPECT_NE(store.FetchInstrument(kInstrumentKind | 0), nullptr);  // unused: an item of its own
}

// Falling and overrunning indices (first zones 0, 5000, 0, … over 2000 presets, generators and
// samples ending before they start) cost what the bank's tens of KB do and make no extra items;
// every cut keeps what it holds.
TEST_F(SbkRead, HostileIndicesAndCutsAreHarmless)
{
    TestBank b{.instrumentBags = {0, 6, 2, 60000, 1, 9}, .presetGens = {{41, 999}, {53, 60000}, {41, 2}}};
    for (int i = 0; i < 2000; ++i) b.presets.emplace_back("p" + std::to_string(i), i % 2 * 5000, 0);
    b.instruments.emplace_back("back", 4, 0);
    b.names.push_back("bad"), b.samples.push_back({5000, 1000, 0, 0});
    ASSERT_TRUE(Read(b));
    EXPECT_LE(Count(kInstrumentKind) + Count(kWaveKind), b.presets.size() + b.instruments.size() + b.samples.size());
    SweepTruncations(TestBank{.samples = {{{0, 99, 10, 90}}, {{104, 199, 104, 199}}}, .dataSamples = 240}.Build(),
                     "test.sbk", 7);
}

TEST(SbkPitch, RatesAsCentsWithTheFineTune)
{
    EXPECT_EQ(std::tuple(SbkRateToCents(44100, 0), SbkRateToCents(32000, 0), SbkRateToCents(44100, 64),
                         SbkRateToCents(44100, -1)), std::tuple(6000, 6555, 6050, 6000));
}

}  // namespace
