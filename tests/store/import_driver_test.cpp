// The import driver: detection scoring and the completion pass, driven by a test table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/creator_text.h"
#include "store/import_format.h"
#include "store/wave_store.h"
#include "support/last_error.h"

namespace {

// What the test readers do; set by each test.
std::function<bool(WaveStore&)> gReader;
std::vector<std::uint8_t> gSeenHead;

bool ScriptedRead(WaveStore& store, File&)
{
    return gReader ? gReader(store) : true;
}

int MagicAt0(std::span<const std::uint8_t, kDetectBytes> head, const char* magic)
{
    return std::memcmp(head.data(), magic, std::strlen(magic)) == 0 ? 2 : 0;
}
int DetectForm(std::span<const std::uint8_t, kDetectBytes> h) { return MagicAt0(h, "FORM"); }
int DetectAkai(std::span<const std::uint8_t, kDetectBytes> h) { return MagicAt0(h, "AKAI"); }
int DetectRiff(std::span<const std::uint8_t, kDetectBytes> h) { return MagicAt0(h, "RIFF"); }
int RecordHead(std::span<const std::uint8_t, kDetectBytes> h)
{
    gSeenHead.assign(h.begin(), h.end());
    return 0;
}

// The real table's shape in small: two "snd" rows, "wav" later, "*" last.
const ImportFormat kTestRows[] = {
    {"aif", ScriptedRead, DetectForm, "AIFF", "aif_Read"},
    {"snd", ScriptedRead, AlwaysWeak, "Raw unsigned", "snd_Read"},
    {"snd", ScriptedRead, DetectAkai, "AKAI", "akai_WaveRead"},
    {"dat", ScriptedRead, RecordHead, "Head recorder", "dat_Read"},
    {"wav", ScriptedRead, DetectRiff, "Ms Windows wave file", "wav_Read"},
    {"*", ScriptedRead, AlwaysWeak, "Generic Raw Audio File", "*_Read"},
};
enum Row { kAif, kRawSnd, kAkaiSnd, kDat, kWav, kRaw };

struct ImportFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host, kTestRows};
    TempDir dir;

    void SetUp() override { gReader = nullptr; }
    void TearDown() override { gReader = nullptr; }

    std::string Write(const std::string& name, const Bytes& bytes)
    {
        WriteFileBytes(dir / name, bytes.Data());
        return dir / name;
    }
    int Detect(const std::string& name, const Bytes& bytes)
    {
        EXPECT_TRUE(store.Imp(Write(name, bytes))) << LastError.message;
        return store.formatIndex;
    }
};

using Detection = ImportFixture;

TEST_F(Detection, ContentAndExtensionScore)
{
    struct Case {
        const char* name;
        const char* content;
        int row;
    };
    const Case cases[] = {
        {"x.snd", "RIFF....WAVE", kWav},   // wav 2 ties raw snd 2; the later row wins
        {"x.snd", "AKAI", kAkaiSnd},       // 3
        {"x.snd", "plain", kRawSnd},       // raw snd 2 beats AKAI 1 (a tie it loses by order)
        {"X.WAV", "RIFF", kWav},           // extension case is ignored
        {"x.wav", "plain", kRaw},          // 1 against the raw row's 1: the raw row is later
        {"x.xyz", "plain", kRaw},
        {"noextension", "FORM", kAif},
        {"x.aif", "RIFF", kWav},           // 2 against 2
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Detect(c.name, Bytes{}.Tag(c.content)), c.row) << c.name << " " << c.content;
    }
}

TEST_F(Detection, AShortFileIsSeenWithZerosAfterItsEnd)
{
    Detect("head.dat", Bytes{}.Tag("ab"));
    ASSERT_EQ(gSeenHead.size(), kDetectBytes);
    EXPECT_EQ(gSeenHead[0], 'a');
    EXPECT_TRUE(std::all_of(gSeenHead.begin() + 2, gSeenHead.end(), [](auto b) { return b == 0; }));
}

TEST_F(Detection, TheFolderNameIsPartOfTheExtensionTest)
{
    std::filesystem::create_directory(dir / "out.wav");
    EXPECT_EQ(Detect("out.wav/take", Bytes{}.Tag("plain")), kRaw);
}

TEST(ImportTable, HasEveryRowInOrder)
{
    const std::span<const ImportFormat> rows = ImportTable();
    ASSERT_EQ(rows.size(), 59u);
    struct Expect {
        std::size_t index;
        const char* extension;
        const char* description;
    };
    for (const Expect& e : {Expect{0, "669", "669 tracker module"},
                            Expect{18, "ins", "Ensoniq EPS family intrument"},
                            Expect{26, "pat", "Gravis Ultrasound / Forte Patch"},
                            Expect{32, "sbk", "Emu SoundFonts Bank / SB AWE32"},
                            Expect{38, "snd", "Raw unsigned 8bit PCM data"},
                            Expect{39, "snd", "AKAI MPC3000 sample files"},
                            Expect{52, "wav", "Ms Windows wave file"},
                            Expect{57, "xm", "Fast Tracker 2 extended module"},
                            Expect{58, "*", "Generic Raw Audio File"}}) {
        EXPECT_STREQ(rows[e.index].extension, e.extension) << e.index;
        EXPECT_STREQ(rows[e.index].description, e.description) << e.index;
    }
    for (const ImportFormat& row : rows) {
        EXPECT_LE(std::strlen(row.extension), 7u);
        EXPECT_LT(std::strlen(row.description), 48u);
        EXPECT_NE(row.read, nullptr);
        EXPECT_NE(row.detect, nullptr);
    }
    ScriptedHost host;
    WaveStore store(host);
    EXPECT_EQ(GetImportFormat(store, 58), &rows[58]);
    EXPECT_EQ(GetImportFormat(store, 59), nullptr);
    EXPECT_EQ(GetImportFormat(store, -1), nullptr);
}

using ImportDriver = ImportFixture;

TEST_F(ImportDriver, AMissingFileOrAFolderCannotBeOpened)
{
    for (const std::string& path : {dir / "missing.wav", dir.Path()}) {
        EXPECT_FALSE(store.Imp(path));
        EXPECT_EQ(LastError.location, "WaveStore::Imp");
        EXPECT_EQ(LastError.message, "Couldn't open input file");
    }
}

TEST_F(ImportDriver, AFailingReaderKeepsItsErrorAndItsItems)
{
    gReader = [](WaveStore& s) {
        s.NewWavesample(1, nullptr, "kept", 4);
        return Fail("wav_Read", "Broken");
    };
    EXPECT_FALSE(store.Imp(Write("x.wav", Bytes{}.Tag("RIFF"))));
    EXPECT_EQ(LastError.location, "wav_Read");
    EXPECT_NE(store.FetchWave(0x80000001), nullptr);
    EXPECT_TRUE(host.settings.szLastFile.empty());
}

TEST_F(ImportDriver, ClearsTheStoreAndRemembersFileAndSize)
{
    store.NewWavesample(9, nullptr, "stale", 5);
    const std::string path = Write("x.wav", Bytes{}.Tag("RIFF").Zeros(96));
    gReader = [](WaveStore& s) {
        s.NewBank(nullptr, 0);
        return true;
    };
    ASSERT_TRUE(store.Imp(path));
    EXPECT_EQ(store.FetchWave(0x80000009), nullptr);
    EXPECT_EQ(store.fileSize, 100u);
    EXPECT_EQ(host.settings.szLastFile, path);
    EXPECT_STREQ(store.FetchBank()->name, "Ms Windows wave file");
    EXPECT_EQ(store.FetchBank()->path, path);
}

TEST_F(ImportDriver, WavesamplesWithoutOneOrTwoChannelsAreRemovedWithAWarning)
{
    gReader = [](WaveStore& s) {
        s.NewWavesample(1, nullptr, "surround", 8)->channels = 6;
        s.NewWavesample(2, nullptr, "stereo", 6)->channels = 2;
        s.NewWavesample(3, nullptr, "none", 4)->channels = 0;
        return true;
    };
    ASSERT_TRUE(store.Imp(Write("x.wav", Bytes{}.Tag("RIFF"))));
    EXPECT_EQ(host.Texts("Attention!"), (std::vector<std::string>{
                                            "More than 2 audio channels not supported",
                                            "No audio channels in wavesample"}));
    EXPECT_EQ(store.FetchWave(0x80000001), nullptr);
    EXPECT_NE(store.FetchWave(0x80000002), nullptr);
    EXPECT_EQ(store.FetchWave(0x80000003), nullptr);
}

TEST_F(ImportDriver, FillsTheWavesampleDefaults)
{
    gReader = [](WaveStore& s) {
        WavesampleRec* a = s.NewWavesample(1, nullptr, "a", 1);
        a->length = 1000;
        a->bits = 12;
        WavesampleRec* empty = s.NewWavesample(2, nullptr, "empty", 5);
        empty->bits = 8;
        WavesampleRec* frac = s.NewWavesample(3, nullptr, "frac", 4);
        frac->length = 50;
        frac->loopEndFrac = 128;
        frac->bytesPerSample = 2;
        std::strcpy(frac->sourcePath, "/elsewhere.raw");
        return true;
    };
    const std::string path = Write("x.wav", Bytes{}.Tag("RIFF"));
    ASSERT_TRUE(store.Imp(path));
    const WavesampleRec& a = *store.FetchWave(0x80000001);
    EXPECT_EQ(a.loopEnd, 999u);
    EXPECT_EQ(a.bytesPerSample, 2);
    EXPECT_EQ(a.sourcePath, path);
    const WavesampleRec& empty = *store.FetchWave(0x80000002);
    EXPECT_EQ(empty.loopEnd, 4294967295u);
    EXPECT_EQ(empty.bytesPerSample, 1);
    const WavesampleRec& frac = *store.FetchWave(0x80000003);
    EXPECT_EQ(frac.loopEnd, 0u);
    EXPECT_STREQ(frac.sourcePath, "/elsewhere.raw");
}

TEST_F(ImportDriver, NumbersUnassignedProgramsAroundAPresetOne)
{
    gReader = [](WaveStore& s) {
        s.NewWavesample(0, nullptr, "w", 1);
        s.NewInstrument(1, 0, "a", 1);
        s.NewInstrument(2, 0, "b", 1)->program = 5;
        s.NewInstrument(3, 0, "c", 1);
        std::strcpy(s.NewInstrument(4, 0, "d", 1)->note, "own note");
        return true;
    };
    ASSERT_TRUE(store.Imp(Write("x.wav", Bytes{}.Tag("RIFF"))));
    EXPECT_EQ(store.FetchInstrument(0x40000001)->program, 0);
    EXPECT_EQ(store.FetchInstrument(0x40000002)->program, 5);
    EXPECT_EQ(store.FetchInstrument(0x40000003)->program, 1);
    EXPECT_EQ(store.FetchInstrument(0x40000004)->program, 2);
    EXPECT_STREQ(store.FetchInstrument(0x40000001)->note, kCreatorText);
    EXPECT_STREQ(store.FetchInstrument(0x40000004)->note, "own note");
    EXPECT_EQ(std::string(kCreatorText).rfind("KOBA Converter v2.0, ", 0), 0u);
}

TEST_F(ImportDriver, BuildsRegionsAcrossGapsAndCountsBytes)
{
    gReader = [](WaveStore& s) {
        for (std::uint32_t index : {3u, 4u}) {
            WavesampleRec* w = s.NewWavesample(index, nullptr, nullptr, 0);
            w->length = 100;
            w->bits = 16;
            w->channels = 2;
        }
        InstrumentRec* i = s.NewInstrument(0, 3, "keys", 4);
        std::fill(i->layer.keyMap + 60, i->layer.keyMap + 64, NO_ITEM);
        std::fill(i->layer.keyMap + 64, i->layer.keyMap + 128, 4u);  // plain index, no kind bit
        return true;
    };
    ASSERT_TRUE(store.Imp(Write("x.wav", Bytes{}.Tag("RIFF"))));
    const InstrumentRec& i = *store.FetchInstrument(0x40000000);
    ASSERT_EQ(i.layer.regionCount, 2);
    EXPECT_EQ(i.layer.regions[0].wave, 0x80000003u);
    EXPECT_EQ(i.layer.regions[0].lowKey, 0);
    EXPECT_EQ(i.layer.regions[0].highKey, 59);
    EXPECT_EQ(i.layer.regions[1].wave, 0x80000004u);
    EXPECT_EQ(i.layer.regions[1].lowKey, 64);
    EXPECT_EQ(i.layer.regions[1].highKey, 127);
    EXPECT_EQ(i.layer.keyMap[100], 0x80000004u);
    EXPECT_EQ(i.layer.keyMap[61], 0x87FFFFFFu);
    EXPECT_EQ(i.waveCount, 2u);
    EXPECT_EQ(i.totalBytes, 800u);
    const WavesampleRec& w3 = *store.FetchWave(0x80000003);
    EXPECT_EQ(w3.owner, 0x40000000u);
    EXPECT_EQ(w3.lowKey, 0);
    EXPECT_EQ(w3.highKey, 59);
}

TEST_F(ImportDriver, AWaveOnTwoRangesMakesTwoRegionsAndCountsTwice)
{
    gReader = [](WaveStore& s) {
        s.NewWavesample(1, nullptr, "a", 1)->length = 10;
        s.NewWavesample(2, nullptr, "b", 1)->length = 1;
        InstrumentRec* i = s.NewInstrument(0, 1, "split", 5);
        std::fill(i->layer.keyMap + 40, i->layer.keyMap + 50, 0x80000002u);
        return true;
    };
    ASSERT_TRUE(store.Imp(Write("x.wav", Bytes{}.Tag("RIFF"))));
    const InstrumentRec& i = *store.FetchInstrument(0x40000000);
    ASSERT_EQ(i.layer.regionCount, 3);
    EXPECT_EQ(i.layer.regions[0].highKey, 39);
    EXPECT_EQ(i.layer.regions[1].lowKey, 40);
    EXPECT_EQ(i.layer.regions[1].highKey, 49);
    EXPECT_EQ(i.layer.regions[2].lowKey, 50);
    EXPECT_EQ(i.totalBytes, 21u);
    const WavesampleRec& a = *store.FetchWave(0x80000001);
    EXPECT_EQ(a.lowKey, 50);
    EXPECT_EQ(a.highKey, 127);
}

TEST_F(ImportDriver, InstrumentsWithoutAnyExistingWaveAreRemoved)
{
    gReader = [](WaveStore& s) {
        s.NewWavesample(1, nullptr, "a", 1);
        s.NewInstrument(0, 7, "ghost", 5);
        s.NewInstrument(1, 1, "real", 4);
        InstrumentRec* silent = s.NewInstrument(2, 1, "silent", 6);
        std::fill(std::begin(silent->layer.keyMap), std::end(silent->layer.keyMap), NO_ITEM);
        return true;
    };
    ASSERT_TRUE(store.Imp(Write("x.wav", Bytes{}.Tag("RIFF"))));
    EXPECT_EQ(store.FetchInstrument(0x40000000), nullptr);
    EXPECT_NE(store.FetchInstrument(0x40000001), nullptr);
    EXPECT_EQ(store.FetchInstrument(0x40000002), nullptr);
    // Program numbers skip nothing for the removed ones that came first.
    EXPECT_EQ(store.FetchInstrument(0x40000001)->program, 1);
}

}  // namespace
