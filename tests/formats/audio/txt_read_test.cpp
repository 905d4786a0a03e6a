// Text audio: numbers, comments and signs; the width and sign the numbers need; the samples
// they give; syntax errors and very long texts.
#include "../format_kit.h"
#include "formats/formats.h"
#include "support/file.h"

namespace {

using TxtRead = ImportFixture;

TEST_F(TxtRead, NumbersGiveTheSamplesAtTheWidthTheyNeed)
{
    const struct {
        const char* text;
        std::uint8_t bits;
        bool isSigned;
        Bytes samples;  // as delivered
    } cases[] = {
        {"0\n100\n255\n", 8, false, Bytes{}.U8(0, 100, 255)},
        {"-128\r\n127\r\n", 9, true, Bytes{}.Le16(0xC000, 0x3F80)},
        {"-127, 127", 8, true, Bytes{}.U8(0x81, 0x7F)},
        {"1 ; one\n;\n\n2", 2, false, Bytes{}.U8(0x40, 0x80)},
        {"--5,- 3,-\n4;last", 4, true, Bytes{}.U8(0x50, 0xD0, 0x40)},
        {"1 000, 3", 10, false, Bytes{}.Le16(1000 << 6, 3 << 6)},
        {"100000\n-1", 18, true, Bytes{}.Le16(25000, 0xFFFF)},
        {"9999999999", 34, false, Bytes{}.Le16(9999999999 >> 18)},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Import(Bytes{}.Tag(c.text), "x.txt")) << c.text << ": " << Failure();
        EXPECT_EQ(std::tuple(Wave().layout.bits, Delivered(Wave()).isSigned, Wave().sampleRate),
                  std::tuple(c.bits, c.isSigned, 22050u))
            << c.text;
        EXPECT_EQ(Decoded(Wave()), c.samples.Data()) << c.text;
    }
}

TEST_F(TxtRead, SyntaxErrorsRefuseTheFile)
{
    for (const char* text : {"1\t2", "12345678901", "5-3", "12\nhello", "1,2,x", "1.5"}) {
        EXPECT_EQ(ReadAlone(store, txt_Read, Bytes{}.Tag(text)), "txt_Read: Not a Text formatted data file") << text;
    }
}

// Millions of lines, and one line of megabytes, are read in bounded pieces and delivered so.
TEST_F(TxtRead, LongTextsAreReadPieceByPiece)
{
    std::string many;
    for (int i = 0; i < 1000000; ++i) many += i % 2 == 0 ? "-3\n" : "3\n";
    ASSERT_TRUE(Import(Bytes{}.Tag(many), "many.txt")) << Failure();
    CaptureSink capture;
    ASSERT_TRUE(CaptureWave(Wave(), capture));
    EXPECT_EQ(std::tuple(Wave().length, capture.frames, Wave().layout.bits), std::tuple(1000000u, 1000000u, 3));
    EXPECT_LE(capture.largestPiece, 65536u);
    ASSERT_TRUE(Import(Bytes{}.Tag("7," + std::string(6000000, ' ') + ",8"), "line.txt")) << Failure();
    EXPECT_EQ(Decoded(Wave()), (std::vector<std::uint8_t>{7 << 4, 8 << 4}));
}

// A text that shrank since it was read delivers silence for what is gone; garbage fails the copy.
TEST_F(TxtRead, CopyFollowsTheFileAsItIsNow)
{
    ASSERT_TRUE(Import(Bytes{}.Tag("1,2,3,4"), "x.txt"));
    WriteFileBytes(file->Path(), Bytes{}.Tag("1").Data());
    EXPECT_EQ(Decoded(Wave()), (std::vector<std::uint8_t>{1 << 5, 0x80, 0x80, 0x80}));
    WriteFileBytes(file->Path(), Bytes{}.Tag("4,x").Data());
    CaptureSink capture;
    EXPECT_FALSE(CaptureWave(Wave(), capture));
    EXPECT_EQ(Failure(), "txt_Copy: Not a Text formatted data file");
}

}  // namespace
