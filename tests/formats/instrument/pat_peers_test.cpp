// freepats' patches through KOBA to GF1 and to SoundFont banks and back without loss, and the
// patches KOBA writes played by TiMidity as it plays the originals.
#include <cmath>
#include <numeric>

#include "../format_kit.h"

namespace {

const char* const kPatches[] = {"Tone_000/000_Acoustic_Grand_Piano.pat", "Drum_000/038_Snare_1.pat",
                                "Tone_000/048_String_Ensemble_1_Marcato.pat", "Tone_000/040_Violin.pat"};

// TiMidity's one-second note of `key` with `patch` as program 0: its level and zero crossings.
std::pair<double, int> Play(const TempDir& dir, const std::string& patch, int key)
{
    WriteFileBytes(dir / "timidity.cfg", Bytes{}.Tag("dir " + dir.Path() + "\nbank 0\n0 " + patch + "\n").Data());
    const Bytes midi = Bytes{}.Tag("MThd").Be32(6).Be16(0, 1, 96).Tag("MTrk").Be32(16).U8(0, 0xC0, 0, 0, 0x90, key);
    WriteFileBytes(dir / "note.mid", Bytes(midi).U8(100, 0x81, 0x40, 0x80, key, 0, 0, 0xFF, 0x2F, 0).Data());
    const std::string files = " -o " + Quoted(dir / "out.raw") + " " + Quoted(dir / "note.mid") + " >/dev/null 2>&1";
    EXPECT_EQ(::Run("timidity -c " + Quoted(dir / "timidity.cfg") + " -Or1sl -s 22050 --output-mono" + files), 0);
    const std::vector<std::int16_t> s = Samples16(ReadFileBytes(dir / "out.raw"));
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
    return {std::sqrt(std::inner_product(s.begin(), s.end(), s.begin(), 0.0) / double(s.size())), crossings};
}

// A patch written back as a patch, or as a SoundFont bank, and read again.
struct FreepatsRoundTrip : WriterFixture, ::testing::WithParamInterface<std::tuple<const char*, bool>> {};

TEST_P(FreepatsRoundTrip, KeepsKeysLoopsSamplesEnvelopesAndSound)
{
    const auto [patch, bank] = GetParam();
    KobaStore first(host);  // the original; the fixture's store holds what was written
    ASSERT_TRUE(first.Imp(FreepatsPath(patch)) && store.Imp(FreepatsPath(patch))) << Failure();
    const std::vector<std::uint8_t> g = RoundTrip(bank ? kBankId : kInstrumentKind | 1, bank ? "koba.sbk" : "koba.pat");
    const InstrumentRec &ia = *first.FetchInstrument(kInstrumentKind | 1), &ib = Instrument(bank ? kPreset : 1);
    const LayerRec &a = ia.layer, &b = ib.layer;
    ASSERT_EQ(std::tuple(std::string(ia.name), a.regionCount), std::tuple(std::string(ib.name), b.regionCount));
    for (int key = 0; key < (bank ? 128 : 120); ++key) {
        const WavesampleRec *wa = first.FetchWave(a.keyMap[key]), *wb = store.FetchWave(b.keyMap[key]);
        if (wa == nullptr) {  // a patch's high key is written one above the region's, reaching one key further
            const bool reach =
                !bank && key > 0 && first.FetchWave(a.keyMap[key - 1]) && b.keyMap[key] == b.keyMap[key - 1];
            EXPECT_TRUE(wb == nullptr || reach) << key;
            continue;
        }
        ASSERT_NE(wb, nullptr) << key;
        EXPECT_EQ(std::tuple(std::string(wa->name), wa->rootKey, wa->loopStart, wa->loopEnd, Loops(*wa)),
                  std::tuple(std::string(wb->name), wb->rootKey, wb->loopStart, wb->loopEnd, Loops(*wb))) << key;
        // A bank keeps rates as cents, whether a wave loops but not how, and no loop fractions or pan.
        EXPECT_NEAR(double(wb->sampleRate), double(wa->sampleRate), bank ? wa->sampleRate * 0.001 : 0) << key;
        EXPECT_TRUE(bank || std::tuple(wa->loopFlags, wa->loopStartFrac, wa->loopEndFrac, wa->pan) ==
                                std::tuple(wb->loopFlags, wb->loopStartFrac, wb->loopEndFrac, wb->pan)) << key;
        // A patch's copy of the first sample after a loop to the end makes one more.
        EXPECT_EQ(wb->length, wa->length + (!bank && Loops(*wa) && wa->loopEnd >= wa->length ? 1 : 0)) << key;
        std::vector<std::uint8_t> data = Decoded(*wb);
        data.resize(Decoded(*wa).size());
        EXPECT_TRUE(data == Decoded(*wa)) << key;
    }
    if (bank) return;
    // Envelopes of looping waves come back rate for rate (the patches have 14 voices); a wave
    // header's envelope starts 37 bytes in, 59 before the data.
    const std::vector<std::uint8_t> f = ReadFileBytes(FreepatsPath(patch));
    for (int r = 0; r < a.regionCount; ++r) {
        const WavesampleRec &wa = *first.FetchWave(a.regions[r].wave), &wb = *store.FetchWave(b.regions[r].wave);
        const auto ours = g.begin() + long(wb.layout.offset) - 59, theirs = f.begin() + long(wa.layout.offset) - 59;
        EXPECT_TRUE(!Loops(wa) || std::equal(ours, ours + 12, theirs)) << r;
    }
    // TiMidity plays the written patch as it plays the original.
    const int key = first.FetchWave(a.regions[0].wave)->rootKey;
    const auto [level, crossings] = Play(dir, FreepatsPath(patch), key);
    const auto [ourLevel, ourCrossings] = Play(dir, "koba.pat", key);
    EXPECT_GT(ourLevel, 100.0);
    EXPECT_NEAR(ourLevel, level, level * 0.05);
    EXPECT_NEAR(ourCrossings, crossings, crossings * 0.01 + 2);
}

INSTANTIATE_TEST_SUITE_P(Freepats, FreepatsRoundTrip,
                         ::testing::Combine(::testing::ValuesIn(kPatches), ::testing::Bool()),
                         [](const auto& i) { return std::to_string(i.index / 2) + (i.index % 2 ? "Bank" : "Patch"); });

}  // namespace
