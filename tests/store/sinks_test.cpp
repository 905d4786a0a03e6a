// The converter and the file sinks.
#include "store/sinks.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

TEST(ConvertSamples, EightBitSignAndMixToMonoTowardZero)
{
    for (const auto& [what, format, in, frames, to, out] :
         {std::tuple{"signed to unsigned", PcmFormat{1, 1, true}, Bytes{}.U8(0x00, 0x7F, 0x80), 3u, SinkUnsignedLE,
                     Bytes{}.U8(0x80, 0xFF, 0x00)},
          {"a swap does nothing", PcmFormat{1, 1, true}, Bytes{}.U8(1, 2), 2u, SinkSignedBE, Bytes{}.U8(1, 2)},
          {"unsigned stereo", PcmFormat{1, 2, false}, Bytes{}.U8(0xFF, 0x01, 0x10, 0x11), 2u, SinkMonoUnsignedLE,
           Bytes{}.U8(0x80, 0x10)},
          {"signed stereo", PcmFormat{1, 2, true}, Bytes{}.U8(0xFF, 0xFE), 1u, SinkMonoSignedLE, Bytes{}.U8(0xFF)}}) {
        std::vector<std::uint8_t> buffer = in.Data();
        buffer.resize(ConvertSamples(format, buffer.data(), frames, to.wantSigned, to.swapBytes, to.mixToMono, true));
        EXPECT_EQ(buffer, out.Data()) << what;
    }
}

struct SinkFixture : ::testing::Test {
    // One signed 16-bit stereo frame 1000, -3001: its mix is -1000, toward zero.
    TempFile source{"frame.raw", Bytes{}.Le16(1000, -3001)};
    WavesampleRec wave{};

    void SetUp() override
    {
        std::strcpy(wave.sourcePath, source.Path().c_str());
        wave.copyRoutine = std_Copy;
        wave.layout.bits = 16, wave.layout.channels = 2, wave.layout.bytes = 4;
        wave.length = 1;
    }
};

TEST_F(SinkFixture, EachFileSinkWritesItsConversion)
{
    const std::pair<SinkConversion, Bytes> cases[] = {
        {SinkMonoSignedLE, Bytes{}.Le16(-1000)},   {SinkMonoUnsignedLE, Bytes{}.Le16(0x8000 - 1000)},
        {SinkMonoSignedBE, Bytes{}.Be16(-1000)},   {SinkMonoUnsignedBE, Bytes{}.Be16(0x8000 - 1000)},
        {SinkSignedLE, Bytes{}.Le16(1000, -3001)}, {SinkUnsignedLE, Bytes{}.Le16(0x8000 + 1000, 0x8000 - 3001)},
        {SinkSignedBE, Bytes{}.Be16(1000, -3001)}, {SinkUnsignedBE, Bytes{}.Be16(0x8000 + 1000, 0x8000 - 3001)},
    };
    const std::string out = source.Dir() / "out.raw";
    for (const auto& [sink, expected] : cases) {
        File file = File::Create(out);
        ASSERT_TRUE(CopyToFile(wave, sink, file, "test_Write"));
        file.Close();
        EXPECT_EQ(ReadFileBytes(out), expected.Data());
    }
}

// A full disk ends the copy at the first piece, under the writer's name.
TEST_F(SinkFixture, AFailedWriteFailsTheCopyUnderTheWritersName)
{
    File full = File::Create("/dev/full");
    ASSERT_TRUE(full.IsOpen());
    EXPECT_FALSE(CopyToFile(wave, SinkSignedLE, full, "test_Write"));
    EXPECT_EQ(LastError.location + ": " + LastError.message, "test_Write: File Write Error");
}

}  // namespace
