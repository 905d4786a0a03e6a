// The export driver: the target is replaced only when complete, and a failed or interrupted
// export leaves no temporary file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>

#include "kit/import_fixture.h"
#include "store/copy_routines.h"
#include "store/sinks.h"
#include "support/file.h"
#include "support/last_error.h"
#include "support/pending_file.h"

namespace {

// A header, the data, the header patched after reading it back (as writers that fill in sizes
// do), then a mark at the current position. Fails half way for index 13.
bool TestWrite(WaveStore& store, File* file, ItemId item)
{
    const WavesampleRec* wave = store.FetchWave(item);
    if (wave == nullptr) return RefuseKind("test_Write", "TST");
    char back[4] = {};
    if (!file->Write("HDR?", 4) || !CopyToFile(*wave, SinkSignedLE, *file, "test_Write")) return false;
    if (file->ReadAt(0, back, 4) != 4 || !file->WriteAt(3, back[0] == 'H' ? "!" : "?", 1)) return false;
    return (item & kIndexMask) == 13 ? Fail("test_Write", "Failed half way") : file->Write("E", 1);
}

const ExportFormat kTestExportRows[] = {
    {"'DAC'", [](WaveStore&, File* file, ItemId) { return file == nullptr; }, "Play", 0xE0000000, true, "dac_Write"},
    {"tst", TestWrite, "Test", 0x80000000, false, "test_Write"},
    {"sig", [](WaveStore&, File* file, ItemId) { return file->Write("half", 4) && std::raise(SIGTERM) == 0; },
     "Interrupted", 0x80000000, false, "sig_Write"},
};

struct ExportDriver : ::testing::Test {
    ScriptedHost host;
    WaveStore store{host, {}, kTestExportRows};
    TempFile source{"source.raw", Bytes{}.Le16(1, 2, 3)};

    ItemId AddWave(std::uint32_t index)
    {
        WavesampleRec& w = *store.NewWavesample(index, std_Copy, nullptr, 0);
        std::strcpy(w.sourcePath, source.Path().c_str());
        w.layout.bits = 16, w.layout.bytes = 6, w.length = 3;
        return kWaveKind | index;
    }
    std::string Target(const std::string& name) const { return source.Dir() / name; }
    auto FilesInFolder() const
    {
        return std::ranges::distance(std::filesystem::directory_iterator(source.Dir().Path()));
    }
};

TEST_F(ExportDriver, ReplacesAFileKeepingItsModeGivesANewOneTheUsualModeAndLeavesAnEnumerationWhereItWas)
{
    for (std::uint32_t i = 1; i <= 3; ++i) AddWave(i);
    const std::string out = Target("out.b.TST");  // the last extension, in any case
    WriteFileBytes(out, std::vector<std::uint8_t>(100, 0xEE));
    ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
    std::vector<ItemId> visited;
    ItemId id;
    void* record;
    for (std::uint32_t n = 0; store.NextItem(n, id, record); ++n) {  // the source check walks the store
        visited.push_back(id);
        EXPECT_TRUE(store.Exp(out, id)) << LastError.message;
    }
    EXPECT_EQ(visited, (std::vector<ItemId>{kWaveKind | 1, kWaveKind | 2, kWaveKind | 3}));
    EXPECT_EQ(ReadFileBytes(out), Bytes{}.Tag("HDR!").Le16(1, 2, 3).Tag("E").Data());
    ASSERT_TRUE(store.Exp(Target("new.tst"), kWaveKind | 1));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    const auto mode = [](const std::string& path) { return unsigned(std::filesystem::status(path).permissions()); };
    EXPECT_EQ(std::tuple(mode(out), mode(Target("new.tst"))), std::tuple(0640u, 0666u & ~mask));
    EXPECT_EQ(FilesInFolder(), 3);  // the source and the targets, no temporary left
}

TEST_F(ExportDriver, AFailedRefusedOrImpossibleExportLeavesTheOldTargetAndNoTemporary)
{
    const std::vector<std::uint8_t> old(100, 0xEE);
    WriteFileBytes(Target("out.tst"), old);
    std::filesystem::create_directory(Target("folder.tst"));
    for (const auto& [name, item, error] :
         {std::tuple{"out.tst", AddWave(13), "test_Write: Failed half way"},
          {"out.tst", kInstrumentKind, "test_Write: Export type not supported by .TST"},
          {"out.wave", AddWave(1), "WaveStore::Exp: Not a supported export extension type"},
          {"dir.tst/out", kWaveKind | 1, "WaveStore::Exp: Not a supported export extension type"},
          {"no-such-folder/out.tst", kWaveKind | 1,
           "WaveStore::Exp: Couldn't create output file: @ (No such file or directory)"},
          {"folder.tst", kWaveKind | 1, "WaveStore::Exp: Couldn't create output file: @ (Is a directory)"}}) {
        EXPECT_FALSE(store.Exp(Target(name), item));
        std::string expected = error;  // a file named in a message: its path and the reason
        if (const std::size_t at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, Target(name));
        EXPECT_EQ(LastError.location + ": " + LastError.message, expected);
        EXPECT_EQ(ReadFileBytes(Target("out.tst")), old);
        EXPECT_EQ(FilesInFolder(), 3);
    }
    EXPECT_TRUE(store.Exp(Target("anything.'dac'"), kBankId));  // a pseudo-target: no file
    EXPECT_EQ(FilesInFolder(), 3);
}

// Runs `body` in a child with the signal handlers installed; the child's wait status.
int InChild(const std::function<void()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) RemovePendingFileOnSignals(), body(), ::_exit(0);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child ? status : -1;
}

TEST_F(ExportDriver, AnInterruptedExportLeavesNoTemporaryFileAndStillEndsByTheSignal)
{
    const ItemId wave = AddWave(1);
    int status = InChild([&] { (void)store.Exp(Target("out.sig"), wave); });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(FilesInFolder(), 1);
    const std::string done = Target("done.wav");  // no longer pending: the export finished
    WriteFileBytes(done, {1});
    status = InChild([&] { SetPendingFile(done.c_str()), ClearPendingFile(), std::raise(SIGINT); });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(std::filesystem::exists(done));
}

}  // namespace
