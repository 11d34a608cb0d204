#include "settings/TextValues.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

TEST(TextValuesTest, ReadIntegerDecimalHexAndRefusals) {
    struct Case {
        const char* text;
        bool allowHex;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"25", false, 25},
        {"-7", false, -7},
        {"+7", false, 7},
        {"0x1A", true, 26},
        {"0X1a", true, 26},
        {"0x1A", false, std::nullopt},
        {"0x", true, std::nullopt}, // two characters only: not hexadecimal, and no decimal either
        {"0x7FFFFFFF", true, 2147483647},
        {"0xFFFFFFFF", true, std::nullopt},
        {"0x100000000", true, std::nullopt},
        {"2147483647", false, 2147483647},
        {"-2147483648", false, -2147483647 - 1},
        {"2147483648", false, std::nullopt},
        {"-2147483649", false, std::nullopt},
        {"99999999999999999999999", false, std::nullopt},
        {"abc", false, std::nullopt},
        {"", false, std::nullopt},
        {"-", false, std::nullopt},
        {"1 2", false, std::nullopt},
        {"12a", false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadInteger(c.text, c.allowHex), c.value) << c.text;
    }
}

TEST(TextValuesTest, TrimAndCaseRules) {
    EXPECT_EQ(TrimBlanks(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(CompareNoCase("alpha", "ALPHA"), 0);
    EXPECT_LT(CompareNoCase("Alpha", "beta"), 0);
    EXPECT_LT(CompareNoCase("alp", "ALPHA"), 0);
    EXPECT_GT(CompareNoCase("\xc3\xa9", "z"), 0); // bytes beyond ASCII sort after the letters
    EXPECT_EQ(FindNoCase("xx WEEKLY y", "weekly"), 3u);
    EXPECT_EQ(FindNoCase("abc", "abcd"), std::string_view::npos);
}

} // namespace
} // namespace corvalet
