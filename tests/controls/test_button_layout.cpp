// Image placement, caption centring and the rounded outline of the buttons.
#include <gtest/gtest.h>

#include <QPainterPath>

#include "ButtonLayout.h"
#include "PathPainter.h"

namespace {
const WinRect kItem{0, 0, 30, 20};
}  // namespace

TEST(PlaceImageTest, WithoutCaption)
{
    struct Case {
        int alignment;
        WinRect item;
        int left, top;
    };
    // Left and above centre both ways; right stays at the item's top.
    for (const Case& c : {Case{kImageLeft, kItem, 10, 5}, Case{kImageAbove, kItem, 10, 5},
                          Case{kImageRight, WinRect{0, 4, 30, 24}, 10, 4}}) {
        const ImagePlacement p = PlaceImage(c.alignment, false, c.item, c.item, 30, false, 10, 9);
        EXPECT_EQ(p.image.left, c.left) << c.alignment;
        EXPECT_EQ(p.image.top, c.top) << c.alignment;
        EXPECT_EQ(p.caption, c.item) << c.alignment;
    }
}

TEST(PlaceImageTest, WithCaption)
{
    const ImagePlacement left = PlaceImage(kImageLeft, true, kItem, kItem, 30, false, 10, 8);
    EXPECT_EQ(left.image.left, 3);
    EXPECT_EQ(left.image.top, 6);
    EXPECT_EQ(left.caption, (WinRect{13, 0, 30, 20}));

    const WinRect low{5, 10, 35, 40};
    const ImagePlacement above = PlaceImage(kImageAbove, true, low, low, 35, false, 10, 8);
    EXPECT_EQ(above.image.left, 15);
    EXPECT_EQ(above.image.top, 3);  // absolute, not 10 + 3
    EXPECT_EQ(above.caption, (WinRect{5, 18, 35, 40}));

    const ImagePlacement right = PlaceImage(kImageRight, true, WinRect{0, 0, 100, 20}, WinRect{5, 0, 105, 20}, 100,
                                            false, 10, 8);
    EXPECT_EQ(right.caption, (WinRect{3, 0, 87, 20}));  // 105 - 5 - 10 - 3
    EXPECT_EQ(right.image.left, 87);                     // client right 100 - 10 - 3
    EXPECT_EQ(right.image.top, 6);
}

TEST(PlaceImageTest, PressedMovesOnlyTheImageByOnePixel)
{
    for (int alignment : {kImageLeft, kImageAbove, kImageRight}) {
        for (bool hasCaption : {false, true}) {
            const ImagePlacement rest = PlaceImage(alignment, hasCaption, kItem, kItem, 30, false, 10, 9);
            const ImagePlacement pressed = PlaceImage(alignment, hasCaption, kItem, kItem, 30, true, 10, 9);
            EXPECT_EQ(pressed.image.left, rest.image.left + 1);
            EXPECT_EQ(pressed.image.top, rest.image.top + 1);
            EXPECT_EQ(pressed.caption, rest.caption);
        }
    }
}

TEST(PlaceImageTest, TooLargeImageOverhangsWithHalvingsTruncatedTowardZero)
{
    const WinRect small{0, 0, 10, 10};
    const WinRect r = PlaceImage(kImageLeft, false, small, small, 10, false, 15, 13).image;
    EXPECT_EQ(r.left, -2);  // -5 / 2, not floor(-2.5)
    EXPECT_EQ(r.top, -1);
}

TEST(CentreTextBlockTest, CentresTheBlockAndLetsAWiderOneOverhang)
{
    EXPECT_EQ(CentreTextBlock(WinRect{10, 5, 110, 25}, 41, 13), (WinRect{39, 8, 80, 21}));
    EXPECT_EQ(CentreTextBlock(WinRect{0, 0, 100, 20}, 105, 20), (WinRect{-2, 0, 103, 20}));
}

TEST(RoundedFrameTest, OutlineSpansTheBoxAndRoundsEveryCornerOutwards)
{
    const QPainterPath path = ToClosedPath(RoundedFramePieces(0, 0, 25, 21, 4));
    EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 25, 21));
    for (const QPointF corner : {QPointF(0.4, 0.4), QPointF(24.6, 0.4), QPointF(24.6, 20.6), QPointF(0.4, 20.6)})
        EXPECT_FALSE(path.contains(corner)) << corner.x() << "," << corner.y();
    for (const QPointF inside : {QPointF(2, 2), QPointF(23, 2), QPointF(23, 19), QPointF(2, 19), QPointF(12, 10)})
        EXPECT_TRUE(path.contains(inside)) << inside.x() << "," << inside.y();
}
