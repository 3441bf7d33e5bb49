#include <gtest/gtest.h>

#include "ComboLayout.h"

namespace {

class ComboLayoutTest : public ::testing::Test {};

TEST_F(ComboLayoutTest, DropDownAreaIsOnePixelWiderThanTheSmallIcon)
{
    EXPECT_EQ(DropDownButtonArea(QRect(0, 0, 306, 24), 16), QRect(287, 2, 17, 20));
    EXPECT_EQ(DropDownButtonArea(QRect(0, 0, 306, 24), 20), QRect(283, 2, 21, 20));
    EXPECT_EQ(DropDownButtonArea(QRect(5, 7, 100, 30), 16), QRect(86, 9, 17, 26));
    EXPECT_EQ(DropDownBitmapOffset(QSize(17, 20), QSize(16, 16)), QPoint(0, 2));
    EXPECT_EQ(DropDownBitmapOffset(QSize(17, 10), QSize(16, 16)), QPoint(0, 0));
}

TEST_F(ComboLayoutTest, EverySecondGroupOfTwelveRowsIsShaded)
{
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(ItemBandColor(i), kWhiteColor) << i;
    for (int i = 12; i < 24; ++i)
        EXPECT_EQ(ItemBandColor(i), kHighlightColor) << i;
    EXPECT_EQ(ItemBandColor(35), kWhiteColor);
    EXPECT_EQ(ItemBandColor(36), kHighlightColor);
}

TEST_F(ComboLayoutTest, GradientHasSixtyFourContiguousBands)
{
    const QRect r(10, 0, 128, 14);
    const auto bands = GradientBands(r, kWhiteColor, kHighlightColor);
    ASSERT_EQ(bands.size(), 64u);
    EXPECT_EQ(bands.front().left, 10);
    EXPECT_EQ(bands.back().right, 138);
    for (std::size_t k = 0; k < bands.size(); ++k) {
        EXPECT_EQ(bands[k].right - bands[k].left, 2);
        if (k > 0) {
            EXPECT_EQ(bands[k].left, bands[k - 1].right);
        }
    }
    EXPECT_EQ(bands[0].color, kWhiteColor);
    // (a * (64 - k) + b * k) / 64 per channel, integer division.
    EXPECT_EQ(bands[32].color, RGB((255 * 32 + 123 * 32) / 64, (255 * 32 + 171 * 32) / 64, 255));
    EXPECT_EQ(bands[63].color, RGB((255 + 123 * 63) / 64, (255 + 171 * 63) / 64, 255));
}

TEST_F(ComboLayoutTest, NarrowGradientSkipsEmptyBandsButCoversTheRectangle)
{
    const auto bands = GradientBands(QRect(0, 0, 10, 5), RGB(0, 0, 0), RGB(64, 128, 192));
    ASSERT_EQ(bands.size(), 10u);
    EXPECT_EQ(bands.front().left, 0);
    EXPECT_EQ(bands.back().right, 10);
    for (std::size_t k = 1; k < bands.size(); ++k)
        EXPECT_EQ(bands[k].left, bands[k - 1].right);
    // The first band drawn is k = 6 (10 * 7 / 64 = 1), coloured by its own k.
    EXPECT_EQ(bands[0].color, RGB(6, 12, 18));
}

TEST_F(ComboLayoutTest, EqualColoursFillOneBand)
{
    const auto bands = GradientBands(QRect(3, 0, 50, 5), kWhiteColor, kWhiteColor);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0].left, 3);
    EXPECT_EQ(bands[0].right, 53);
    EXPECT_TRUE(GradientBands(QRect(0, 0, 0, 5), kWhiteColor, kHoverColor).empty());
}

TEST_F(ComboLayoutTest, PrefixCompletesToTheFirstEntryIgnoringCase)
{
    const QStringList items{QStringLiteral("Alpha"), QStringLiteral("beta two"), QStringLiteral("Beta")};
    const CompletionResult r = CompleteEditText(QStringLiteral("BE"), {2, 2}, items);
    EXPECT_EQ(r.item, 1);
    EXPECT_EQ(r.text, QStringLiteral("beta two"));
    EXPECT_EQ(r.selection.start, 2);
    EXPECT_EQ(r.selection.end, 8);
}

TEST_F(ComboLayoutTest, NoMatchKeepsTextAndCaret)
{
    const QStringList items{QStringLiteral("Alpha")};
    const CompletionResult r = CompleteEditText(QStringLiteral("Alz"), {3, 3}, items);
    EXPECT_EQ(r.item, -1);
    EXPECT_EQ(r.text, QStringLiteral("Alz"));
    EXPECT_EQ(r.selection.start, 3);
    EXPECT_EQ(r.selection.end, 3);
}

TEST_F(ComboLayoutTest, CaretInsideTheTypedTextStaysWhereItWas)
{
    const QStringList items{QStringLiteral("Gamma")};
    const CompletionResult r = CompleteEditText(QStringLiteral("Gam"), {1, 1}, items);
    EXPECT_EQ(r.item, 0);
    EXPECT_EQ(r.text, QStringLiteral("Gamma"));
    EXPECT_EQ(r.selection.start, 1);
    EXPECT_EQ(r.selection.end, 1);
}

}  // namespace
