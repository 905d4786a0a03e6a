// The typed key-value file.
#include "desktop/reg_file.h"

#include <gtest/gtest.h>

#include "kit/temp_file.h"

namespace {

TEST(RegFile, KeepsEveryValueAndItsType)
{
    const RegValues values = {
        {"szLastFile", RegValue::String("/home/me/my \"quoted\" \\ path\nwith a newline")},
        {"empty", RegValue::String("")},
        {"LastExp", RegValue::Binary({1, 0, 0, 0, 0xFF, 0, 0, 0, 2, 0, 0, 0})},
        {"none", RegValue::Binary({})},
        {"mtInDev", RegValue::Dword(0xFFFFFFFF)},
        {"mtEnable", RegValue::Dword(1)},
    };
    TempDir dir;
    ASSERT_TRUE(SaveRegFile(dir / "deep/folder/KOBA.conf", values));
    const std::optional<RegValues> back = LoadRegFile(dir / "deep/folder/KOBA.conf");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, values);
    EXPECT_NE(FormatRegValues(values).find("\"mtEnable\"=dword:00000001\n"), std::string::npos);
    EXPECT_NE(FormatRegValues(values).find("\"LastExp\"=hex:01,00,00,00,ff,00,00,00,02,00,00,00\n"), std::string::npos);
}

TEST(RegFile, SkipsWhatItDoesNotUnderstand)
{
    const RegValues values = ParseRegValues("[key]\n\"a\"=dword:zz\n\"b\"=\"unterminated\n\"c\"=dword:0000002a\ngarbage\n\"d\"=hex:0g\n");
    EXPECT_EQ(values.size(), 1u);
    EXPECT_EQ(values.at("c"), RegValue::Dword(42));
    EXPECT_FALSE(LoadRegFile("/nonexistent/KOBA.conf").has_value());
}

}  // namespace
