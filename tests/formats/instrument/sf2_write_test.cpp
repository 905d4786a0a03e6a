// KOBA's SoundFont 2 banks and SFZ instruments as FluidSynth, libinstpatch and Polyphone take them.
#include <cmath>
#include <filesystem>
#include <numeric>
#include <sstream>

#include "../format_kit.h"

namespace {

// libinstpatch's zones of a bank: keys, root, loop (when the zone loops), rate, channel, linked.
std::vector<std::string> PeerZones(const TempDir& dir, const std::string& bank)
{
    EXPECT_EQ(::Run(std::string(KOBA_SF2_DUMP) + " " + Quoted(bank) + " > " + Quoted(dir / "dump.txt")), 0);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(dir / "dump.txt");
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> zones;
    for (std::string line; std::getline(text, line);) {
        std::istringstream in(line);
        std::string kind, channel, linked;
        long low, high, root, loops, start, end, rate;
        if (!(in >> kind >> low >> high >> root >> loops >> start >> end >> rate >> channel >> linked)) continue;
        zones.push_back(::testing::PrintToString(
            std::tuple(low, high, root, loops, loops ? start : 0, loops ? end : 0, rate, channel, linked != "-")));
    }
    return zones;
}

std::string StoreZone(const KeyRegion& region, const WavesampleRec& w, const char* channel = "m")
{
    const long loops = Loops(w) ? 1 : 0;
    return ::testing::PrintToString(std::tuple(long{region.lowKey}, long{region.highKey}, long{w.rootKey}, loops,
                                               loops ? long{w.loopStart} : 0, loops ? long{w.loopEnd} : 0,
                                               long{w.sampleRate}, std::string(channel), *channel != 'm'));
}

struct Sf2Write : WriterFixture {};
struct Sf2Peers : Sf2Write, ::testing::WithParamInterface<std::tuple<const char*, bool>> {};

// libinstpatch reads KOBA's bank, and Polyphone's bank made of KOBA's SFZ, as the store's regions.
TEST_P(Sf2Peers, SeeTheStoresRegions)
{
    const auto [patch, sfz] = GetParam();
    ASSERT_TRUE(store.Imp(FreepatsPath(patch))) << Failure();
    ASSERT_TRUE(store.Exp(dir / (sfz ? "koba.sfz" : "koba.sf2"), kInstrumentKind | 1)) << Failure();
    if (sfz) {
        const std::string convert = "QT_QPA_PLATFORM=offscreen polyphone -1 -i " + Quoted(dir / "koba.sfz");
        ASSERT_EQ(::Run(convert + " -d " + Quoted(dir.Path()) + " -o koba >/dev/null 2>&1"), 0);
    }
    std::vector<std::string> expected;
    std::vector<std::vector<std::uint8_t>> samples;  // 16-bit patches
    const auto regions = [&](const LayerRec& layer) {
        std::vector<std::string> zones;
        for (int r = 0; r < layer.regionCount; ++r) {
            const WavesampleRec& w = *store.FetchWave(layer.regions[r].wave);
            zones.push_back(StoreZone(layer.regions[r], w));
            if (!sfz) samples.push_back(Decoded(w));
        }
        return zones;
    };
    expected = regions(Instrument(1).layer);
    EXPECT_EQ(PeerZones(dir, dir / "koba.sf2"), expected);
    // KOBA reads the bank back with the same regions; its own bank with every sample too.
    const std::size_t written = samples.size();
    ASSERT_TRUE(store.Imp(dir / "koba.sf2")) << Failure();
    const InstrumentRec* preset = nullptr;
    store.ForEachItem([&](ItemId id, const void* record) {
        if (preset == nullptr && IsInstrument(id)) preset = static_cast<const InstrumentRec*>(record);
    });
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(regions(preset->layer), expected);
    EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + long(written), samples.begin() + long(written),
                           samples.end()));
}

INSTANTIATE_TEST_SUITE_P(Freepats, Sf2Peers,
                         ::testing::Combine(::testing::Values("Tone_000/040_Violin.pat", "Drum_000/038_Snare_1.pat"),
                                            ::testing::Bool()),
                         [](const auto& i) { return std::to_string(i.index / 2) + (i.index % 2 ? "Sfz" : "Sf2"); });

double Rms(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to)
{
    return std::sqrt(std::inner_product(s.begin() + long(from), s.begin() + long(to), s.begin() + long(from), 0.0) /
                     double(to - from));
}

TEST_F(Sf2Write, FluidSynthPlaysAPatchInTuneAndHoldsItsLoop)
{
    ASSERT_TRUE(store.Imp(FreepatsPath("Tone_000/079_Ocarina.pat"))) << Failure();
    ASSERT_TRUE(store.Exp(dir / "o.sf2", kInstrumentKind | 1)) << Failure();
    ASSERT_TRUE(Loops(Wave(1)) && Wave(1).length < Wave(1).sampleRate / 4);
    const int key = Wave(1).rootKey - 12;  // 2.5 seconds of the key an octave below the root
    const Bytes midi = Bytes{}.Tag("MThd").Be32(6).Be16(0, 1, 96).Tag("MTrk").Be32(16).U8(0, 0xC0, 0, 0, 0x90, key);
    WriteFileBytes(dir / "n.mid", Bytes(midi).U8(100, 0x83, 0x60, 0x80, key, 0, 0, 0xFF, 0x2F, 0).Data());
    const std::string files =
        " -F " + Quoted(dir / "out.raw") + " " + Quoted(dir / "o.sf2") + " " + Quoted(dir / "n.mid");
    ASSERT_EQ(::Run("fluidsynth -ni -R 0 -C 0 -T raw -O s16 -r 44100" + files + " >/dev/null 2>&1"), 0);
    const std::vector<std::int16_t> stereo = Samples16(ReadFileBytes(dir / "out.raw"));
    std::vector<std::int16_t> s;
    for (std::size_t i = 0; i < stereo.size(); i += 2) s.push_back(stereo[i]);
    ASSERT_GT(s.size(), 44100u * 5 / 2);
    int crossings = 0;
    for (std::size_t i = 22050; i < 66150; ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
    const double pitch = 440 * std::pow(2.0, (key - 69) / 12.0);
    EXPECT_NEAR(crossings / 2.0, pitch, pitch * 0.01);
    EXPECT_GT(Rms(s, 88200, 105840), 0.5 * Rms(s, 22050, 66150));  // the loop sounds on to the note's end
}

TEST_F(Sf2Write, StereoBecomesLinkedLeftAndRightSamples)
{
    WavesampleRec& w = NewWave(1, "Stereo", Ramp(400, 2), 16, 2);
    w.loopFlags = kLoopFound;
    w.loopStart = 50;
    ASSERT_TRUE(store.Exp(dir / "s.sf2", kWaveKind | 1)) << Failure();
    const KeyRegion all{kWaveKind | 1, 0, 127};
    EXPECT_EQ(PeerZones(dir, dir / "s.sf2"), (std::vector{StoreZone(all, w, "l"), StoreZone(all, w, "r")}));
}

// A failed SFZ export leaves the old instrument and its samples as they were; one that succeeds
// replaces only its own samples, named safely.
TEST_F(Sf2Write, SfzExportReplacesNothingUntilItSucceeds)
{
    NewWave(1, "Keep", Ramp(100, 2), 16);
    NewWave(2, "con", Ramp(100, 2), 16);
    NewInstrument(1, "Kit", [](int key) { return key < 64 ? 1 : 2; });
    std::filesystem::create_directory(dir / "kit");
    for (const char* name : {"kit.sfz", "kit/Keep.wav", "kit/other.txt"}) WriteFileBytes(dir / name, {'o', 'l', 'd'});
    std::filesystem::remove(dir / "2");  // the second wavesample's data is gone
    EXPECT_FALSE(store.Exp(dir / "kit.sfz", kInstrumentKind | 1));
    for (const char* name : {"kit.sfz", "kit/Keep.wav"})
        EXPECT_EQ(ReadFileBytes(dir / name), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    WriteFileBytes(dir / "2", Ramp(100, 2).Data());
    ASSERT_TRUE(store.Exp(dir / "kit.sfz", kInstrumentKind | 1)) << Failure();
    EXPECT_EQ(Probe(dir, dir / "kit/_con.wav"), Probe(dir, dir / "kit/Keep.wav"));
    EXPECT_TRUE(std::filesystem::exists(dir / "kit/other.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 5);  // 1, 2, kit, kit.sfz, probe.txt
}

}  // namespace
