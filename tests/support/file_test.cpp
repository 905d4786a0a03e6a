// File helpers and text helpers.
#include "support/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "kit/temp_file.h"
#include "support/last_error.h"
#include "support/memory.h"

namespace {

TEST(ReadLine, CrLfEndsALineAndTheLastLineReportsEndOfFile)
{
    TempFile f("lines.txt", Bytes{}.Tag("A\r\nB"));
    File file = File::OpenRead(f.Path());
    char line[16];
    EXPECT_TRUE(F_READLN(file.Fd(), line, sizeof line));
    EXPECT_STREQ(line, "A");
    EXPECT_FALSE(F_READLN(file.Fd(), line, sizeof line));
    EXPECT_STREQ(line, "B");
}

TEST(ReadLine, ALongLineIsCutToTheBufferAndTheNextLineFollows)
{
    TempFile f("long.txt", Bytes{}.Tag("abcdefghij\nxy\n"));
    File file = File::OpenRead(f.Path());
    char line[5];
    EXPECT_TRUE(F_READLN(file.Fd(), line, sizeof line));
    EXPECT_STREQ(line, "abcd");
    EXPECT_TRUE(F_READLN(file.Fd(), line, sizeof line));
    EXPECT_STREQ(line, "xy");
}

TEST(WriteLine, EndsWithCrLf)
{
    TempDir dir;
    {
        File file = File::Create(dir / "out.txt");
        EXPECT_TRUE(F_WRITELN(file.Fd(), "Wave"));
    }
    EXPECT_EQ(ReadFileBytes(dir / "out.txt"), Bytes{}.Tag("Wave\r\n").Data());
}

TEST(SkipLine, EachPairOfLineEndsCountsOnce)
{
    struct Case {
        const char* text;
        const char* rest;
    };
    for (const Case& c : {Case{"a\r\nb", "b"}, Case{"a\n\rb", "b"}, Case{"a\n\nb", "b"},
                          Case{"a\r\rb", "b"}, Case{"a\n\n\nb", "\nb"}, Case{"abc", ""}}) {
        EXPECT_STREQ(M_SKIPLN(c.text), c.rest) << c.text;
    }
}

TEST(Load, AFileOfExactlyTheMaximumLoadsAndOneByteMoreFails)
{
    TempFile f("ten.bin", Bytes{}.Zeros(10));
    char buffer[10];
    std::size_t length = 0;
    EXPECT_TRUE(F_LOAD(f.Path(), buffer, 10, &length));
    EXPECT_EQ(length, 10u);
    EXPECT_FALSE(F_LOAD(f.Path(), buffer, 9));
    EXPECT_EQ(LastError.location, "f_Load");
    EXPECT_EQ(LastError.message, "File length exceeds MaxLength");
    EXPECT_FALSE(F_LOAD(f.Dir() / "missing", buffer, 10));
    EXPECT_EQ(LastError.message, "Couldn't open input file");
}

TEST(DotPos, FirstDotOrTheEnd)
{
    const char* name = "a.b.c";
    EXPECT_EQ(F_GETDOTPOS(name), name + 1);
    const char* plain = "abc";
    EXPECT_EQ(F_GETDOTPOS(plain), plain + 3);
}

TEST(Move, ReplacesTheDestination)
{
    TempDir dir;
    WriteFileBytes(dir / "from", {1, 2, 3});
    WriteFileBytes(dir / "to", {9});
    EXPECT_TRUE(F_MOVE(dir / "from", dir / "to"));
    EXPECT_FALSE(std::filesystem::exists(dir / "from"));
    EXPECT_EQ(ReadFileBytes(dir / "to"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(Copy, CopiesAcrossSeveralChunks)
{
    std::vector<std::uint8_t> data(300000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    TempFile f("in.bin", data);
    File in = File::OpenRead(f.Path());
    {
        File out = File::Create(f.Dir() / "out.bin");
        ASSERT_TRUE(F_COPY(in.Fd(), out.Fd(), 299999));
    }
    data.pop_back();
    EXPECT_EQ(ReadFileBytes(f.Dir() / "out.bin"), data);
}

TEST(OpenRead, RefusesAFolder)
{
    TempDir dir;
    EXPECT_FALSE(File::OpenRead(dir.Path()).IsOpen());
}

TEST(Spawn, StartsTheProgramWithoutWaiting)
{
    TempDir dir;
    const std::string mark = dir / "mark";
    ASSERT_TRUE(F_SPAWNEXE("/bin/sh", {"-c", "echo started > '" + mark + "'"}));
    for (int i = 0; i < 200 && !std::filesystem::exists(mark); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(std::filesystem::exists(mark));
    EXPECT_FALSE(F_SPAWNEXE(dir / "no-such-program", {}));
}

TEST(FreeSpace, ReportsSomethingForTheTempFolder)
{
    EXPECT_GT(F_REPORTFREEDISK(std::filesystem::temp_directory_path().string()), 0u);
    EXPECT_GT(M_REPORTFREEMEMORY(), 0u);
}

}  // namespace
