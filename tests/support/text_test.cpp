// Names from files: a cut never splits a UTF-8 letter, and Latin-1 text is cut by bytes.
#include "support/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, CutsKeepWholeLettersOfUtf8AndEveryByteOfLatin1)
{
    const std::tuple<std::string, std::size_t, std::size_t> cases[] = {
        // text, width, fitting length
        {"gro\xC3\x9F" "e", 4, 3},          // inside a two-byte letter
        {"gro\xC3\x9F" "e", 5, 5},          // just after it
        {"\xE2\x82\xAC\xE2\x82\xAC", 5, 3},  // inside a three-byte letter
        {"\xF0\x9F\x8E\xB9!", 3, 0},         // a four-byte letter that does not fit at all
        {"gro\xDF" "en", 4, 4},              // Latin-1: one byte, one letter
        {"short", 80, 5},
    };
    for (const auto& [text, width, length] : cases) EXPECT_EQ(FittingLength(text, width), length) << text;
    EXPECT_EQ(ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(ToUtf8("Fl\xC3\xBCgel"), "Fl\xC3\xBCgel");
    EXPECT_FALSE(IsUtf8("gro\xC3"));  // cut inside a letter
}

}  // namespace
