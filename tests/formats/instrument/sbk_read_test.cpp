// The SoundFont reader on built version-1 banks, hostile and cut ones too.
#include "../format_kit.h"
#include "formats/formats.h"
#include "formats/instrument/sbk.h"

namespace {

// A bank (version 2: 46-byte sample headers, no "snam", `types` the sample types): samples (name; start, end, loop start, loop end) in `dataSamples` zeros,
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
    std::vector<std::uint16_t> types = {1, 1};

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
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto& s = samples[i];
            if (version >= 2) shdr.Text(names[i], 20);
            shdr.Le32(s[0], s[1], s[2], s[3]);
            if (version >= 2) shdr.Le32(22050).U8(60, 0).Le16(0, i < types.size() ? types[i] : 1);
        }
        if (version >= 2) shdr.Text("EOS", 20).Zeros(26);
        phdr.Text("EOP", 20).Le16(0, 0, presetBags.size() - 1).Zeros(12);
        inst.Text("EOI", 20).Le16(instrumentBags.size() - 1);
        const Bytes smpl = Chunk("smpl", Bytes{}.Zeros(2 * dataSamples));
        const Bytes sdta = version >= 2 ? ListChunk("sdta", {smpl}) : ListChunk("sdta", {Chunk("snam", snam), smpl});
        const Bytes pdta = ListChunk("pdta", {Chunk("phdr", phdr), Chunk("pbag", pbag), Chunk("pmod", Bytes{}.Zeros(6)),
            Chunk("pgen", pgen.Le16(0, 0)), Chunk("inst", inst), Chunk("ibag", ibag), Chunk("imod", Bytes{}.Zeros(6)),
            Chunk("igen", igen.Le16(0, 0)), Chunk("shdr", shdr)});
        const Bytes ifil = Chunk("ifil", Bytes{}.Le16(version, 0));
        return RiffForm("sfbk", {ListChunk("INFO", {ifil, Chunk("INAM", Bytes{}.Text("Bank", 5))}), sdta, pdta});
    }
};

struct SbkRead : ImportFixture {
    bool Read(const TestBank& bank, const std::string& name = "test.sbk") { return Import(bank.Build(), name); }
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

// ROM samples (those before the first at 0) are dropped; a SoundFont 2 bank, read as version 1, leaves nothing.
TEST_F(SbkRead, RomSamplesAreDroppedAndSoundFont2IsRefused)
{
    TestBank b{.names = {"rom1", "rom2", "ram", "ram2"},
               .samples = {{100000, 100100, 0, 0}, {200000, 200100, 0, 0}, {0, 10, 0, 0}, {50, 60, 0, 0}}};
    ASSERT_TRUE(Read(b));
    EXPECT_EQ(std::tuple(store.FetchWave(kWaveKind | 1), Count(kWaveKind)), std::tuple(nullptr, 2u));
    b.version = 2;
    EXPECT_EQ(ReadAlone(store, sbk_Read, b.Build()), "sbk_Read: SoundFont 2 banks are not supported, only version 1 (.sbk)");
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

// Either version under either extension goes to its own reader; the raw row takes neither.
TEST_F(SbkRead, EachVersionIsDetectedAsItsOwnRow)
{
    for (const auto& [version, name, row] : {std::tuple(1, "a.sbk", "sbk"), std::tuple(2, "a.sbk", "sf2"),
                                             std::tuple(2, "a.sf2", "sf2"), std::tuple(2, "a.bin", "sf2")}) {
        EXPECT_TRUE(Read(TestBank{.version = std::uint16_t(version)}, name)) << name << Failure();
        EXPECT_EQ(std::tuple(std::string(store.ImportRows()[store.formatIndex].extension), Count(kWaveKind)), std::tuple(row, 2u));
    }
    EXPECT_TRUE(Read(TestBank{}, "a.sf2"));  // a version 1 bank named as a version 2 one reads all the same
    EXPECT_EQ(std::tuple(std::string(Instrument(kPreset | 0).name), Count(kWaveKind)), std::tuple("Piano", 2u));
}

// Instrument zones take what their global zone sets and they do not; preset zones add to them
// and narrow their keys. Settings that differ give a sample a second wavesample; ROM samples
// are left out and a stereo sample plays centred.
TEST_F(SbkRead, SoundFont2ZonesResolveAsPlayersResolveThem)
{
    const TestBank b{.names = {"one", "rom", "left"},
                     .samples = {{{0, 100, 10, 90}}, {{100000, 100100, 0, 0}}, {{146, 200, 146, 200}}}, .dataSamples = 250,
                     .presets = {{"", 0, 0}}, .instruments = {{"i", 0, 0}}, .presetBags = {0, 4}, .instrumentBags = {0, 2, 4, 8, 12, 14},
                     .presetGens = {{43, 0 + 256 * 100}, {48, 60}, {51, 1}, {41, 0}},
                     .instrumentGens = {{17, 500}, {52, 30}, {2, 10}, {53, 1}, {43, 0 + 256 * 59}, {58, 48}, {17, 0}, {53, 0},
                                        {43, 60 + 256 * 69}, {52, 65516}, {54, 1}, {53, 0}, {43, 70 + 256 * 127}, {53, 2}},
                     .version = 2, .types = {1, 0x8001, 4}};
    ASSERT_TRUE(Read(b, "test.sf2")) << Failure();
    const InstrumentRec& preset = Instrument(kPreset);
    EXPECT_EQ(std::tuple(std::string(preset.name), preset.program), std::tuple(std::string("Preset (bank 0, preset 0)"), 0));
    const WavesampleRec *low = store.FetchWave(preset.layer.keyMap[0]), *high = store.FetchWave(preset.layer.keyMap[60]);
    const WavesampleRec* left = store.FetchWave(preset.layer.keyMap[70]);
    ASSERT_TRUE(low && high && left && low != high && !store.FetchWave(preset.layer.keyMap[101]));
    EXPECT_EQ(std::tuple(low->rootKey, low->fineTune, low->pan, low->volume, Loops(*low), low->sampleRate),
              std::tuple(47, 38, 63, 64, false, 22050u));
    EXPECT_EQ(std::tuple(high->rootKey, high->fineTune, high->pan, Loops(*high), high->loopStart, high->length),
              std::tuple(60, 102, 127, true, 10u, 100u));
    EXPECT_EQ(std::tuple(left->pan, left->length, Count(kWaveKind)), std::tuple(63, 54u, 3u));
    SweepTruncations(b.Build(), "test.sf2", 6, 0, 2);
}

TEST(SbkPitch, RatesAsCentsWithTheFineTune)
{
    EXPECT_EQ(std::tuple(SbkRateToCents(44100, 0), SbkRateToCents(32000, 0), SbkRateToCents(44100, 64),
                         SbkRateToCents(44100, -1)), std::tuple(6000, 6555, 6050, 6000));
}

}  // namespace
