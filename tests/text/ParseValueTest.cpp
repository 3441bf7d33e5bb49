#include "ParseValue.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    bool ok;
    std::uint32_t value;
};

Parsed Hex(const char* text)
{
    std::uint32_t value = 0x5A5A5A5A;
    const bool ok = ParseHexValue(text, value);
    return {ok, value};
}

Parsed Dec(const char* text)
{
    std::uint32_t value = 0x5A5A5A5A;
    const bool ok = ParseDecValue(text, value);
    return {ok, value};
}

}  // namespace

TEST(ParseValueTest, HexAcceptsPrefixCaseAndLeadingSpace)
{
    EXPECT_EQ(Hex("1000").value, 0x1000u);
    EXPECT_EQ(Hex("  0x2400").value, 0x2400u);
    EXPECT_EQ(Hex("\t0XaBcD").value, 0xABCDu);
    EXPECT_EQ(Hex("+ff").value, 0xFFu);
    EXPECT_TRUE(Hex("0").ok);
}

TEST(ParseValueTest, HexStopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(Hex("1A00 boot block").value, 0x1A00u);
    EXPECT_EQ(Hex("12g4").value, 0x12u);
    EXPECT_EQ(Hex("2400\r").value, 0x2400u);
}

TEST(ParseValueTest, NoDigitsReadAsZero)
{
    EXPECT_EQ(Hex("").value, 0u);
    EXPECT_TRUE(Hex("").ok);
    EXPECT_EQ(Hex("   ").value, 0u);
    EXPECT_EQ(Hex("zz").value, 0u);
    EXPECT_EQ(Hex(nullptr).value, 0u);
    EXPECT_EQ(Dec("-").value, 0u);
}

TEST(ParseValueTest, PrefixWithoutDigitsReadsTheZero)
{
    EXPECT_EQ(Hex("0x").value, 0u);
    EXPECT_EQ(Hex("0xg").value, 0u);
}

TEST(ParseValueTest, AllOnesAndOverflowFail)
{
    EXPECT_FALSE(Hex("FFFFFFFF").ok);
    EXPECT_EQ(Hex("FFFFFFFF").value, 0xFFFFFFFFu);
    EXPECT_FALSE(Hex("100000000").ok);
    EXPECT_EQ(Hex("100000000").value, 0xFFFFFFFFu);
    EXPECT_FALSE(Hex("123456789ABCDEF0123").ok);
    EXPECT_TRUE(Hex("FFFFFFFE").ok);
}

TEST(ParseValueTest, MinusNegatesModulo2To32)
{
    EXPECT_EQ(Hex("-1").value, 0xFFFFFFFFu);
    EXPECT_FALSE(Hex("-1").ok);
    EXPECT_EQ(Hex("-0x10").value, 0xFFFFFFF0u);
    EXPECT_EQ(Dec("-2").value, 0xFFFFFFFEu);
    EXPECT_TRUE(Dec("-2").ok);
}

TEST(ParseValueTest, DecimalStopsAtLettersAndRejectsTheLargest)
{
    const Parsed trailing = Dec("12abc");
    EXPECT_TRUE(trailing.ok);
    EXPECT_EQ(trailing.value, 12u);
    EXPECT_FALSE(Dec("4294967295").ok);
    EXPECT_EQ(Dec("4294967294").value, 4294967294u);
    EXPECT_FALSE(Dec("99999999999999999999").ok);
    EXPECT_EQ(Dec("0x10").value, 0u) << "decimal takes no prefix";
    EXPECT_EQ(Dec("  007").value, 7u);
}
