// File handles: a failed write is remembered; a started program is not waited for.
#include "support/file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "kit/temp_file.h"

namespace {

using namespace std::chrono_literals;

TEST(File, AFailedWriteOrWriteAtStaysFailed)
{
    for (bool at : {false, true}) {
        File full = File::Create("/dev/full");
        EXPECT_FALSE(at ? full.WriteAt(0, "x", 1) : full.Write("x", 1));
        EXPECT_TRUE(full.WriteFailed()) << at;
    }
}

TEST(File, SpawnStartsTheProgramWithoutWaiting)
{
    TempDir dir;
    const std::string mark = dir / "mark";
    ASSERT_TRUE(F_SPAWNEXE("/bin/sh", {"-c", "echo started > '" + mark + "'"}));
    for (int i = 0; i < 200 && !std::filesystem::exists(mark); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(std::filesystem::exists(mark));
    EXPECT_FALSE(F_SPAWNEXE(dir / "no-such-program", {}));
}

}  // namespace
