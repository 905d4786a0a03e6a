// The bounded reader: byte orders, truncation, child ranges.
#include "support/byte_reader.h"

#include <gtest/gtest.h>

#include "kit/temp_file.h"
#include "support/file.h"

namespace {

const Bytes kImage = Bytes{}.Tag("RIFF").Le32(0x11223344).Be16(0xAABB).U8(7).Le16(0xFFFE).U8(1, 2, 3, 3, 2, 1);

TEST(ByteReader, ReadsEachByteOrderFromMemoryAndFileAlikeAndZerosPastTheEnd)
{
    TempFile f("image.bin", kImage);
    File file = File::OpenRead(f.Path());
    ByteReader fromFile(file);
    ByteReader fromMemory(kImage.Data());
    for (ByteReader* r : {&fromFile, &fromMemory}) {
        EXPECT_TRUE(r->Tag("RIFF"));
        // In braces the reads happen in order.
        EXPECT_EQ((std::tuple{r->Le32(), r->Be16(), r->U8()}), std::tuple(0x11223344u, 0xAABB, 7));
        EXPECT_EQ(AsSigned(r->Le16()), -2);
        EXPECT_EQ(r->Be16(), 0x0102u);
        r->Seek(r->Size());
        EXPECT_FALSE(r->Truncated());
        EXPECT_EQ(r->Le16() + r->U8(), 0);  // past the end: zeros, and the flag stays
        EXPECT_TRUE(r->Truncated());
    }
    ByteReader partial(ByteReader(file, 17, 100).Sub(3));  // the range is clamped to the file first
    EXPECT_EQ(partial.Le32(), 0x0102u);                    // a partial read keeps its bytes
    EXPECT_TRUE(partial.Truncated());
}

TEST(ByteReader, TagsAndChildReadersStayInsideTheirRange)
{
    ByteReader r(kImage.Data());
    EXPECT_TRUE(!r.Tag("RIFX") && r.Tag("RIFF"));
    ByteReader size = r.Sub(4);
    EXPECT_EQ(std::tuple(size.Size(), size.Offset()), std::tuple(4u, 4u));
    EXPECT_EQ(size.Le32(), 0x11223344u);
    EXPECT_EQ(size.U8(), 0);  // the child does not see its parent's next bytes
    EXPECT_TRUE(size.Truncated() && !r.Truncated());
    ByteReader rest = r.Sub(1000);
    EXPECT_EQ(rest.Size(), kImage.Size() - 8);
    EXPECT_TRUE(r.Truncated() && rest.Truncated());
    EXPECT_FALSE(rest.Tag(std::string(kImage.Size(), 'x')) || rest.Tag("\xAA\xBB\x07\xFE\xFF\x01\x02\x03\x04"));
    EXPECT_EQ(rest.Tell(), 0u);
    char text[5];
    rest.Skip(3), rest.Text(text, 4);
    EXPECT_EQ(std::string(text), "\xFE\xFF\x01\x02");
}

}  // namespace
