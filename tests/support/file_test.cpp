// File handles and the F_ helpers the program uses.
#include "support/file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "kit/temp_file.h"

namespace {

TEST(File, AFailedWriteStaysFailedAndWriteAtLeavesThePosition)
{
    File full = File::Create("/dev/full");
    EXPECT_FALSE(full.Write("x", 1) && full.Write(std::string(1 << 16, 'x').data(), 1 << 16));
    EXPECT_TRUE(full.WriteFailed());
    TempDir dir;
    File fine = File::Create(dir / "fine");
    EXPECT_TRUE(fine.Write("x", 1) && fine.WriteAt(5, "y", 1) && !fine.WriteFailed());
    EXPECT_EQ(std::tuple(fine.Tell(), fine.Size()), std::tuple(1u, 6u));
}

TEST(File, SpawnStartsTheProgramWithoutWaiting)
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

}  // namespace
