// The export driver: row choice by extension, replacing targets safely, refusing the source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "kit/scripted_host.h"
#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "store/export_format.h"
#include "store/sinks.h"
#include "store/wave_store.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

TEST(ExportTable, HasEveryRowWithItsKindsInOrder)
{
    const std::span<const ExportFormat> rows = ExportTable();
    ASSERT_EQ(rows.size(), 14u);
    const std::uint32_t masks[] = {0xE0000000, 0x80000000, 0x80000000, 0x80000000, 0x80000000, 0xC0000000, 0x80000000,
                                   0xE0000000, 0x80000000, 0x80000000, 0xF0000000, 0x80000000, 0x20000000, 0xC0000000};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].kindMask, masks[i]) << i;
        EXPECT_EQ(rows[i].noFile, i < 2) << i;
        EXPECT_LT(std::strlen(rows[i].description), 64u);
    }
    EXPECT_STREQ(rows[11].extension, "wav");
    EXPECT_STREQ(rows[11].description, "Ms Windows PCM waves");
    EXPECT_STREQ(rows[0].extension, "'DAC'");
}

TEST(ExportTable, FindsTheRowByTheLastExtension)
{
    ScriptedHost host;
    WaveStore store(host);
    struct Case {
        const char* name;
        int row;
    };
    for (const Case& c : {Case{"out.WAV", 11}, Case{"a.b.wav", 11}, Case{"out.wave", -1}, Case{"out", -1},
                          Case{"out.dir/file", -1}, Case{"x.'dac'", 0}, Case{"x.'CLIP'", 1}, Case{"x.dac", -1},
                          Case{"bank.wfb", 12}, Case{"wav", 11}}) {
        EXPECT_EQ(FindExportFormat(store, c.name), c.row) << c.name;
    }
    EXPECT_EQ(GetExportFormat(store, 13)->kindMask, 0xC0000000u);
    EXPECT_EQ(GetExportFormat(store, 14), nullptr);
}

// A writer that writes a header, the wavesample's data, then patches the header after reading
// it back (as writers that fill in sizes at the end do). Fails for ids with index 13.
bool TestWrite(WaveStore& store, File* file, ItemId item)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr) return RefuseKind("test_Write", "TST");
    if (!file->Write("HDR?", 4)) return false;
    if (!CopyToFile(store, *wave, SinkSignedLE, *file)) return false;
    char back[4] = {};
    file->ReadAt(0, back, 4);
    if (!file->Seek(3) || !file->Write(back[0] == 'H' ? "!" : "?", 1)) return false;
    if ((item & kIndexMask) == 13) return Fail("test_Write", "Failed half way");
    return true;
}

std::vector<ItemId> gPlayed;
bool TestPlay(WaveStore&, File* file, ItemId item)
{
    gPlayed.push_back(item);
    return file == nullptr;
}

const ExportFormat kTestRows[] = {
    {"'DAC'", TestPlay, "Play", 0xE0000000, true, "dac_Write"},
    {"tst", TestWrite, "Test", 0x80000000, false, "test_Write"},
};

struct ExportFixture : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host, ImportTable(), kTestRows};
    TempFile source{"source.raw", Bytes{}.Le16(1, 2, 3)};

    ItemId AddWave(std::uint32_t index)
    {
        WavesampleRec& w = *store.NewWavesample(index, std_Copy, nullptr, 0);
        std::strcpy(w.sourcePath, source.Path().c_str());
        w.bits = 16, w.bytesPerSample = 2, w.isSigned = 1, w.length = 3;
        return kWaveKind | index;
    }
    std::string Target(const std::string& name) const { return source.Dir() / name; }
    std::size_t FilesInFolder() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(source.Dir().Path()),
                                                      std::filesystem::directory_iterator()));
    }
};

using ExportDriver = ExportFixture;

TEST_F(ExportDriver, WritesAndReplacesAnExistingFile)
{
    const ItemId wave = AddWave(1);
    WriteFileBytes(Target("out.tst"), std::vector<std::uint8_t>(100, 0xEE));
    ASSERT_TRUE(store.Exp(Target("out.tst"), wave)) << LastError.message;
    EXPECT_EQ(ReadFileBytes(Target("out.tst")), Bytes{}.Tag("HDR!").Le16(1, 2, 3).Data());
    EXPECT_EQ(FilesInFolder(), 2u);  // the source and the target, no temporary left
}

TEST_F(ExportDriver, AFailedExportLeavesTheOldTargetUntouched)
{
    const ItemId wave = AddWave(13);
    const std::vector<std::uint8_t> old(100, 0xEE);
    WriteFileBytes(Target("out.tst"), old);
    EXPECT_FALSE(store.Exp(Target("out.tst"), wave));
    EXPECT_EQ(LastError.location, "test_Write");
    EXPECT_EQ(LastError.message, "Failed half way");
    EXPECT_EQ(ReadFileBytes(Target("out.tst")), old);
    EXPECT_EQ(FilesInFolder(), 2u);
    // A refused kind too.
    EXPECT_FALSE(store.Exp(Target("out.tst"), kInstrumentKind));
    EXPECT_EQ(LastError.message, "Export type not supported by .TST");
    EXPECT_EQ(ReadFileBytes(Target("out.tst")), old);
}

TEST_F(ExportDriver, RefusesToWriteOverTheSourceFileUnderAnyName)
{
    const ItemId wave = AddWave(1);
    const std::vector<std::uint8_t> original = ReadFileBytes(source.Path());
    const std::string link = Target("alias.tst");
    ASSERT_EQ(::link(source.Path().c_str(), link.c_str()), 0);
    for (const std::string& target : {link, source.Dir().Path() + "/./alias.tst"}) {
        EXPECT_FALSE(store.Exp(target, wave));
        EXPECT_EQ(LastError.location, "WaveStore::Exp");
        EXPECT_EQ(LastError.message, "Output file is the source file");
    }
    EXPECT_EQ(ReadFileBytes(source.Path()), original);
}

TEST_F(ExportDriver, UnknownExtensionsAndUncreatableFilesFail)
{
    const ItemId wave = AddWave(1);
    EXPECT_FALSE(store.Exp(Target("out.wave"), wave));
    EXPECT_EQ(LastError.message, "Not a supported export extension type");
    EXPECT_FALSE(store.Exp(Target("no-such-folder/out.tst"), wave));
    EXPECT_EQ(LastError.message, "Couldn't create output file");
    std::filesystem::create_directory(Target("folder.tst"));
    EXPECT_FALSE(store.Exp(Target("folder.tst"), wave));
    EXPECT_EQ(LastError.message, "Couldn't create output file");
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(ExportDriver, AnExportInsideAnEnumerationLeavesItWhereItWas)
{
    for (std::uint32_t i = 1; i <= 3; ++i) AddWave(i);
    WriteFileBytes(Target("existing.tst"), {1});  // the source check walks the store
    std::vector<ItemId> visited;
    ItemId id;
    void* record;
    for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {
        visited.push_back(id);
        EXPECT_TRUE(store.Exp(Target("existing.tst"), id));
    }
    EXPECT_EQ(visited, (std::vector<ItemId>{0x80000001, 0x80000002, 0x80000003}));
}

TEST_F(ExportDriver, PseudoTargetsCreateNoFile)
{
    gPlayed.clear();
    EXPECT_TRUE(store.Exp(Target("anything.'dac'"), kBankId));
    EXPECT_EQ(gPlayed, (std::vector<ItemId>{kBankId}));
    EXPECT_FALSE(std::filesystem::exists(Target("anything.'dac'")));
}

TEST(ExportScaffolding, RowsWithoutAWriterFailUnderTheirLocationAndKeepTheTarget)
{
    ScriptedHost host;
    WaveStore store(host);
    TempFile old("keep.au", Bytes{}.Tag("old contents"));
    EXPECT_FALSE(store.Exp(old.Path(), kWaveKind | 1));
    EXPECT_EQ(LastError.location, "au_Write");
    EXPECT_EQ(LastError.message, "Writing this format is not supported yet");
    EXPECT_EQ(ReadFileBytes(old.Path()), Bytes{}.Tag("old contents").Data());
}

}  // namespace
