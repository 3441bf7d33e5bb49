#include <gtest/gtest.h>

#include "CylinderGeometry.h"

namespace {

class CylinderGeometryTest : public ::testing::Test {};

TEST_F(CylinderGeometryTest, PercentRoundsTheQuotientBeforeTheProduct)
{
    EXPECT_EQ(ProgressPercent(97, 0, 97), 99);
    EXPECT_EQ(ProgressPercent(1, 0, 3), 33);
    EXPECT_EQ(ProgressPercent(0, -50, 100), 50);
}

TEST_F(CylinderGeometryTest, RangeIsAbsoluteAndNeverZero)
{
    EXPECT_EQ(CylinderRange(100, 0), 100);
    EXPECT_EQ(CylinderRange(7, 7), 1);
    EXPECT_EQ(ProgressPercent(7, 7, CylinderRange(7, 7)), 0);
}

TEST_F(CylinderGeometryTest, PositionIsClampedIntoTheBounds)
{
    EXPECT_EQ(ClampProgressPos(-3, 0, 10), 0);
    EXPECT_EQ(ClampProgressPos(11, 0, 10), 10);
    EXPECT_EQ(ClampProgressPos(4, 0, 10), 4);
    // Reversed bounds: the upper bound always wins.
    EXPECT_EQ(ClampProgressPos(5, 10, 0), 0);
}

TEST_F(CylinderGeometryTest, FillLengthGoesThroughSinglePrecision)
{
    // 531 / 100.0 * 100 is 530.99999999999989 in double precision; single precision gives 531.
    EXPECT_EQ(FillLength(531, 100), 531);
    EXPECT_EQ(FillLength(531, 33), 175);
    EXPECT_EQ(FillLength(531, 0), 0);
    EXPECT_EQ(FillLength(179, 50), 89);
}

TEST_F(CylinderGeometryTest, HorizontalLayoutLeavesRoomForTheEndFaceOnTheRight)
{
    const CylinderLayout l = ComputeCylinderLayout(542, 28, true, 33);
    EXPECT_EQ(l.fullRect, QRect(0, 0, 541, 27));
    EXPECT_EQ(l.barRect, QRect(0, 0, 531, 27));
    EXPECT_EQ(l.barLength, 531);
    EXPECT_EQ(l.fill, 175);
    EXPECT_EQ(l.emptyRect, QRect(175, 0, 356, 27));
    EXPECT_EQ(l.filledRect, QRect(0, 0, 175, 27));
    EXPECT_EQ(l.endFace, QRect(531, 0, 10, 27));
}

TEST_F(CylinderGeometryTest, VerticalLayoutFillsFromTheBottomWithTheEndFaceOnTop)
{
    const CylinderLayout l = ComputeCylinderLayout(30, 190, false, 50);
    EXPECT_EQ(l.barRect, QRect(0, 10, 29, 179));
    EXPECT_EQ(l.barLength, 179);
    EXPECT_EQ(l.fill, 89);
    EXPECT_EQ(l.emptyRect, QRect(0, 10, 29, 90));
    EXPECT_EQ(l.filledRect, QRect(0, 100, 29, 89));
    EXPECT_EQ(l.endFace, QRect(0, 0, 29, 10));
}

TEST_F(CylinderGeometryTest, ShadeColorKeepsAlphaAndDarkensByKind)
{
    EXPECT_EQ(ShadeColor(Argb{0xFF7BABFF}, 2), MakeArgb(0xFF, 110, 153, 229));
    EXPECT_EQ(ShadeColor(Argb{0xFF7BABFF}, 3), MakeArgb(0xFF, 85, 119, 178));
    EXPECT_EQ(ShadeColor(Argb{0x80FFFFFF}, 0), MakeArgb(0x80, 216, 216, 216));
    // Any other kind halves twice and adds: 255 becomes 254, not 255.
    EXPECT_EQ(ShadeColor(Argb{0xFFFFFFFF}, 7), MakeArgb(0xFF, 254, 254, 254));
}

TEST_F(CylinderGeometryTest, SigmaBellRisesToTheFocusAndFallsBack)
{
    const auto blend = SigmaBellBlend(0.7, 1.0);
    ASSERT_EQ(blend.size(), 33u);
    EXPECT_DOUBLE_EQ(blend.front().first, 0.0);
    EXPECT_DOUBLE_EQ(blend.front().second, 0.0);
    EXPECT_DOUBLE_EQ(blend.back().first, 1.0);
    EXPECT_NEAR(blend.back().second, 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(blend[16].first, 0.7);
    EXPECT_DOUBLE_EQ(blend[16].second, 1.0);
    // Half way up each flank the bell is at half its height (erf is odd).
    EXPECT_NEAR(blend[8].first, 0.35, 1e-12);
    EXPECT_NEAR(blend[8].second, 0.5, 1e-12);
    EXPECT_NEAR(blend[24].first, 0.85, 1e-12);
    EXPECT_NEAR(blend[24].second, 0.5, 1e-12);
    for (std::size_t i = 1; i < blend.size(); ++i) {
        EXPECT_GT(blend[i].first, blend[i - 1].first);
        if (i <= 16)
            EXPECT_GT(blend[i].second, blend[i - 1].second);
        else
            EXPECT_LT(blend[i].second, blend[i - 1].second);
    }
}

TEST_F(CylinderGeometryTest, GlossIsTranslucentGreyAtTheEndsAndWhiteAtThirtyPercentFromTheTop)
{
    const auto stops = GlossGradientStops();
    ASSERT_EQ(stops.size(), 33u);
    EXPECT_EQ(stops.front().color, Argb{0x64808080});
    EXPECT_EQ(stops.back().color, Argb{0x64808080});
    EXPECT_DOUBLE_EQ(stops[16].position, 0.7);
    EXPECT_EQ(stops[16].color, Argb{0x64FFFFFF});
    EXPECT_EQ(stops[8].color, MakeArgb(100, 192, 192, 192));  // 128 + 127 * 0.5, rounded
    for (const GlossStop& stop : stops)
        EXPECT_EQ(ArgbAlpha(stop.color), 100);
}

TEST_F(CylinderGeometryTest, LabelIsCaptionFourSpacesAndPercent)
{
    EXPECT_EQ(ProgressLabelText(QStringLiteral("caption"), 33), QStringLiteral("caption    33%"));
    EXPECT_EQ(ProgressLabelText(QString(), 0), QStringLiteral("    0%"));
    // Format characters in a caption are plain text.
    EXPECT_EQ(ProgressLabelText(QStringLiteral("%s %1"), 5), QStringLiteral("%s %1    5%"));
}

}  // namespace
