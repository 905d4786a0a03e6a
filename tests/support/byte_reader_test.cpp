// The bounded reader: byte orders, truncation, child ranges.
#include "support/byte_reader.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "kit/temp_file.h"
#include "support/file.h"

namespace {

struct Header {  // a file table in miniature
    char tag[4];
    le32 size;
    be16 rate;
    std::uint8_t flags;
};
static_assert(sizeof(Header) == 11);
static_assert(offsetof(Header, rate) == 8);

const Bytes kImage = Bytes{}.Tag("RIFF").Le32(0x11223344).Be16(0xAABB).U8(7).Le16(0xFFFE);

TEST(ByteReader, ReadsEachByteOrderFromMemoryAndFileAlike)
{
    TempFile f("image.bin", kImage);
    File file = File::OpenRead(f.Path());
    ByteReader fromFile(file);
    ByteReader fromMemory(kImage.Data());
    for (ByteReader* r : {&fromFile, &fromMemory}) {
        const Header h = r->Get<Header>();
        EXPECT_EQ(std::string(h.tag, 4), "RIFF");
        EXPECT_EQ(h.size, 0x11223344u);
        EXPECT_EQ(h.rate, 0xAABBu);
        EXPECT_EQ(h.flags, 7);
        EXPECT_EQ(AsSigned(r->Le16()), -2);
        EXPECT_FALSE(r->Truncated());
        EXPECT_EQ(r->Left(), 0u);
    }
}

TEST(ByteReader, ReadingPastTheEndGivesZerosAndStaysTruncated)
{
    const Bytes bytes = Bytes{}.U8(1, 2, 3);
    ByteReader r(bytes.Data());
    EXPECT_EQ(r.Le32(), 0x030201u);
    EXPECT_TRUE(r.Truncated());
    EXPECT_EQ(r.U8(), 0);
    EXPECT_TRUE(r.Truncated());
}

TEST(ByteReader, SubIsBoundedAndClampedToTheParent)
{
    ByteReader r(kImage.Data());
    r.Skip(4);
    ByteReader size = r.Sub(4);
    EXPECT_EQ(size.Size(), 4u);
    EXPECT_EQ(size.Offset(), 4u);
    EXPECT_EQ(size.Le32(), 0x11223344u);
    EXPECT_EQ(size.U8(), 0);  // the child does not see its parent's next bytes
    EXPECT_TRUE(size.Truncated());
    EXPECT_FALSE(r.Truncated());
    ByteReader rest = r.Sub(1000);
    EXPECT_EQ(rest.Size(), 5u);
    EXPECT_TRUE(r.Truncated());
}

TEST(ByteReader, TagAdvancesOnlyOnAMatch)
{
    ByteReader r(kImage.Data());
    EXPECT_FALSE(r.Tag("RIFX"));
    EXPECT_EQ(r.Tell(), 0u);
    EXPECT_TRUE(r.Tag("RIFF"));
    EXPECT_EQ(r.Tell(), 4u);
    const Bytes two = Bytes{}.Tag("RI");
    ByteReader tiny(two.Data());
    EXPECT_FALSE(tiny.Tag("RIFF"));
    EXPECT_FALSE(tiny.Truncated());
}

TEST(ByteReader, ARangeBeyondTheFileIsClampedAndFlagged)
{
    TempFile f("image.bin", kImage);
    File file = File::OpenRead(f.Path());
    ByteReader inside(file, 4, 4);
    EXPECT_EQ(inside.Le32(), 0x11223344u);
    EXPECT_FALSE(inside.Truncated());
    ByteReader past(file, 10, 100);
    EXPECT_EQ(past.Size(), kImage.Size() - 10);
    EXPECT_TRUE(past.Truncated());
    ByteReader far(file, 1000, 4);
    EXPECT_EQ(far.Size(), 0u);
    EXPECT_EQ(far.Le32(), 0u);
}

TEST(ByteReader, SeekPastTheEndClampsAndFlags)
{
    ByteReader r(kImage.Data());
    r.Seek(kImage.Size());
    EXPECT_FALSE(r.Truncated());
    r.Seek(kImage.Size() + 1);
    EXPECT_TRUE(r.Truncated());
    EXPECT_EQ(r.Tell(), kImage.Size());
}

TEST(ByteReader, TextIsTerminatedAfterItsWidth)
{
    const Bytes piano = Bytes{}.Tag("Piano!");
    ByteReader r(piano.Data());
    char text[5];
    r.Text(text, 4);
    EXPECT_STREQ(text, "Pian");
}

}  // namespace
