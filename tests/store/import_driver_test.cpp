// The import driver: detection over the rows, and what it completes after a reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "kit/import_fixture.h"
#include "support/last_error.h"

namespace {

using Head = std::span<const std::uint8_t, kDetectBytes>;

std::function<bool(WaveStore&)> gReader;  // what the scripted reader does; set by each test
constexpr ReadFunction kScripted = [](WaveStore& store, File&) { return !gReader || gReader(store); };
template <char A, char B, char C, char D>
int Magic(Head h)
{
    return h[0] == A && h[1] == B && h[2] == C && h[3] == D ? 2 : 0;
}

// The real table's shape in small: two "snd" rows, "wav" later, "*" last.
const ImportFormat kTestImportRows[] = {
    {"aif", kScripted, Magic<'F', 'O', 'R', 'M'>, "AIFF", "aif_Read"},
    {"snd", kScripted, AlwaysWeak, "Raw unsigned", "snd_Read"},
    {"snd", kScripted, Magic<'A', 'K', 'A', 'I'>, "AKAI", "akai_WaveRead"},
    {"dat", kScripted, Magic<'a', 'b', 0, 0>, "Short", "dat_Read"},  // a short file reads zero-filled
    {"wav", kScripted, Magic<'R', 'I', 'F', 'F'>, "Ms Windows wave file", "wav_Read"},
    {"*", kScripted, AlwaysWeak, "Generic Raw Audio File", "*_Read"},
};
enum Row { kAif, kRawSnd, kAkaiSnd, kShort, kWav, kRaw };

struct ImportDriver : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host, kTestImportRows, {}};
    TempDir dir;

    void SetUp() override { gReader = nullptr; }
    bool Import(const std::string& name, const Bytes& bytes = Bytes{}.Tag("RIFF"))
    {
        WriteFileBytes(dir / name, bytes.Data());
        return store.Imp(dir / name);
    }
    const WavesampleRec* Wave(std::uint32_t i) const { return store.FetchWave(kWaveKind | i); }
    const InstrumentRec* Instrument(std::uint32_t i) const { return store.FetchInstrument(kInstrumentKind | i); }
};

TEST_F(ImportDriver, ContentAndExtensionScoreAndTheLaterRowWinsATie)
{
    std::filesystem::create_directory(dir / "out.wav");
    const std::tuple<const char*, const char*, Row> cases[] = {
        {"x.snd", "RIFF", kWav},  // 2 against the raw snd row's 2
        {"x.snd", "AKAI", kAkaiSnd}, {"x.snd", "plain", kRawSnd},     {"X.WAV", "RIFF", kWav},
        {"x.wav", "plain", kRaw},  // 1 against 1
        {"x.xyz", "plain", kRaw},    {"noextension", "FORM", kAif},   {"x.aif", "RIFF", kWav},
        {"x.wav", "ab", kShort},     {"out.wav/take", "plain", kRaw},  // a folder's dot is no extension
    };
    for (const auto& [name, content, row] : cases) {
        EXPECT_TRUE(Import(name, Bytes{}.Tag(content))) << LastError.message;
        EXPECT_EQ(store.formatIndex, row) << name << " " << content;
    }
}

TEST_F(ImportDriver, AFolderDoesNotOpenAndAFailingReaderKeepsItsErrorAndItsItemsButIsNotTheLastFile)
{
    EXPECT_FALSE(store.Imp(dir.Path()));
    EXPECT_EQ(LastError.message, "Couldn't open input file: " + dir.Path() + " (Is a directory)");
    gReader = [](WaveStore& s) { return s.NewWavesample(1, nullptr, "kept", 4) && Fail("wav_Read", "Broken"); };
    EXPECT_FALSE(Import("x.wav"));
    EXPECT_EQ(std::tuple(LastError.location, Wave(1) != nullptr, host.settings.szLastFile),
              std::tuple("wav_Read", true, ""));
}

TEST_F(ImportDriver, ClearsTheStoreAndCompletesTheBankAndTheWavesamplesDroppingThoseWithoutOneOrTwoChannels)
{
    store.NewWavesample(9, nullptr, "stale", 5);
    gReader = [](WaveStore& s) {
        s.NewBank(nullptr, 0);
        s.NewWavesample(1, nullptr, "surround", 8)->layout.channels = 6;
        s.NewWavesample(2, nullptr, "none", 4)->layout.channels = 0;
        s.NewWavesample(3, nullptr, "a", 1)->length = 1000;
        WavesampleRec* frac = s.NewWavesample(4, nullptr, "frac", 4);
        frac->length = 50, frac->loopEndFrac = 128;
        std::strcpy(frac->sourcePath, "/elsewhere.raw");
        return s.NewWavesample(5, nullptr, "empty", 5) != nullptr;
    };
    ASSERT_TRUE(Import("x.wav", Bytes{}.Tag("RIFF").Zeros(96)));
    EXPECT_EQ(std::tuple(store.fileSize, host.settings.szLastFile), std::tuple(100u, dir / "x.wav"));
    EXPECT_STREQ(store.FetchBank()->name, "Ms Windows wave file");  // the row's description
    EXPECT_EQ(store.FetchBank()->path, dir / "x.wav");
    EXPECT_EQ(host.Texts("Attention!"), (std::vector<std::string>{"More than 2 audio channels not supported",
                                                                  "No audio channels in wavesample"}));
    EXPECT_EQ(std::tuple(Wave(1), Wave(2), Wave(9)), std::tuple(nullptr, nullptr, nullptr));
    EXPECT_EQ(std::tuple(Wave(3)->loopEnd, Wave(4)->loopEnd, Wave(5)->loopEnd), std::tuple(999u, 0u, 0xFFFFFFFFu));
    EXPECT_EQ(Wave(3)->sourcePath, dir / "x.wav");
    EXPECT_STREQ(Wave(4)->sourcePath, "/elsewhere.raw");
}

TEST_F(ImportDriver, NumbersProgramsBuildsRegionsAndRemovesInstrumentsWithoutAWave)
{
    gReader = [](WaveStore& s) {
        WavesampleRec* w3 = s.NewWavesample(3, nullptr, nullptr, 0);
        w3->length = 100, w3->layout.bits = 16, w3->layout.channels = 2;  // 400 bytes
        s.NewWavesample(4, nullptr, nullptr, 0)->length = 10;
        InstrumentRec* keys = s.NewInstrument(0, 3, "keys", 4);
        std::fill(keys->layer.keyMap + 60, keys->layer.keyMap + 64, NO_ITEM);
        std::fill(keys->layer.keyMap + 64, keys->layer.keyMap + 100, 4u);  // a plain index, no kind bit
        s.NewInstrument(1, 4, "a", 1)->program = 5;
        std::strcpy(s.NewInstrument(2, 4, "b", 1)->note, "own note");
        s.NewInstrument(3, 7, "ghost", 5);
        std::fill_n(s.NewInstrument(4, 4, "silent", 6)->layer.keyMap, 128, NO_ITEM);
        return s.NewInstrument(5, 4, "c", 1) != nullptr;
    };
    ASSERT_TRUE(Import("x.wav"));
    EXPECT_EQ(std::tuple(Instrument(3), Instrument(4)), std::tuple(nullptr, nullptr));
    std::vector<int> programs;
    for (std::uint32_t n : {0, 1, 2, 5}) programs.push_back(Instrument(n)->program);
    EXPECT_EQ(programs, (std::vector<int>{0, 5, 1, 4}));  // a removed instrument used its number up
    EXPECT_EQ(std::string(Instrument(0)->note).rfind("KOBA Converter v2.0, ", 0), 0u);
    EXPECT_STREQ(Instrument(2)->note, "own note");
    const InstrumentRec& i = *Instrument(0);
    std::vector<std::tuple<ItemId, int, int>> regions;
    for (const KeyRegion& r : std::span(i.layer.regions, i.layer.regionCount))
        regions.emplace_back(r.wave, r.lowKey, r.highKey);
    EXPECT_EQ(regions, (decltype(regions){{kWaveKind | 3, 0, 59}, {kWaveKind | 4, 64, 99}, {kWaveKind | 3, 100, 127}}));
    EXPECT_EQ(std::tuple(i.layer.keyMap[70], i.waveCount, i.totalBytes, i.layer.layerBytes),
              std::tuple(kWaveKind | 4, 3u, 810u, 810u));
    EXPECT_EQ(std::tuple(Wave(3)->owner, Wave(3)->lowKey, Wave(3)->highKey), std::tuple(kInstrumentKind, 100, 127));
}

}  // namespace
