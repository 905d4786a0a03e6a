// The converter and the file sinks.
#include "store/sinks.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kit/temp_file.h"
#include "store/copy_routines.h"
#include "support/file.h"
#include "support/last_error.h"

namespace {

TEST(ConvertSamples, SignByteOrderChannelsAndWidth)
{
    struct Case {
        const char* what;
        PcmFormat format;
        Bytes in;
        std::uint32_t frames;
        bool wantSigned, swap, mono, keep16;
        Bytes out;
    };
    const Case cases[] = {
        {"8-bit signed to unsigned", {1, 1, true}, Bytes{}.U8(0x00, 0x7F, 0x80), 3, false, false, false, true,
         Bytes{}.U8(0x80, 0xFF, 0x00)},
        {"8-bit swap does nothing", {1, 1, true}, Bytes{}.U8(1, 2), 2, true, true, false, true, Bytes{}.U8(1, 2)},
        {"16-bit swapped and flipped", {2, 1, true}, Bytes{}.Le16(0x1234), 1, false, true, false, true,
         Bytes{}.Be16(0x9234)},
        {"16-bit to its high byte", {2, 1, true}, Bytes{}.Le16(0x1234), 1, false, false, false, false, Bytes{}.U8(0x92)},
        {"16-bit swapped to its high byte", {2, 1, true}, Bytes{}.Le16(0x1234), 1, true, true, false, false,
         Bytes{}.U8(0x12)},
        {"stereo 16-bit to mono", {2, 2, true}, Bytes{}.Le16(1000, 0x10000 - 3000, 3, 0), 2, true, false, true, true,
         Bytes{}.Le16(0x10000 - 1000, 1)},
        {"stereo 8-bit unsigned to mono", {1, 2, false}, Bytes{}.U8(0xFF, 0x01, 0x10, 0x11), 2, false, false, true,
         true, Bytes{}.U8(0x80, 0x10)},
        {"stereo 8-bit signed to mono", {1, 2, true}, Bytes{}.U8(0xFF, 0xFE), 1, true, false, true, true,
         Bytes{}.U8(0xFF)},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> buffer = c.in.Data();
        buffer.resize(ConvertSamples(c.format, buffer.data(), c.frames, c.wantSigned, c.swap, c.mono, c.keep16));
        EXPECT_EQ(buffer, c.out.Data()) << c.what;
    }
}

struct SinkFixture : ::testing::Test {
    // One signed 16-bit stereo frame 1000, -3000.
    TempFile source{"frame.raw", Bytes{}.Le16(1000, 0x10000 - 3000)};
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
    struct Case {
        SinkConversion sink;
        Bytes expected;
    };
    const Case cases[] = {
        {SinkMonoSignedLE, Bytes{}.Le16(0x10000 - 1000)},   {SinkMonoUnsignedLE, Bytes{}.Le16(0x8000 - 1000)},
        {SinkMonoSignedBE, Bytes{}.Be16(0x10000 - 1000)},   {SinkMonoUnsignedBE, Bytes{}.Be16(0x8000 - 1000)},
        {SinkSignedLE, Bytes{}.Le16(1000, 0x10000 - 3000)}, {SinkUnsignedLE, Bytes{}.Le16(0x8000 + 1000, 0x8000 - 3000)},
        {SinkSignedBE, Bytes{}.Be16(1000, 0x10000 - 3000)}, {SinkUnsignedBE, Bytes{}.Be16(0x8000 + 1000, 0x8000 - 3000)},
    };
    const std::string out = source.Dir() / "out.raw";
    for (const Case& c : cases) {
        {
            File file = File::Create(out);
            ASSERT_TRUE(CopyToFile(wave, c.sink, file, "test_Write"));
        }
        EXPECT_EQ(ReadFileBytes(out), c.expected.Data());
    }
}

TEST_F(SinkFixture, AFailedWriteFailsTheCopyUnderTheWritersName)
{
    File full = File::Create("/dev/full");
    ASSERT_TRUE(full.IsOpen());
    EXPECT_FALSE(CopyToFile(wave, SinkSignedLE, full, "test_Write"));
    EXPECT_EQ(LastError.location + ": " + LastError.message, "test_Write: File Write Error");
}

}  // namespace
