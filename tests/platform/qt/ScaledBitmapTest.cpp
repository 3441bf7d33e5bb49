// Which picture a bitmap hands out for a screen's device pixel ratio.
#include <gtest/gtest.h>

#include <QImage>

#include "ScaledBitmap.h"

namespace {

QImage filled(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

const QRgb kOneX = qRgb(255, 0, 0);
const QRgb kTwoX = qRgb(0, 0, 255);

struct RatioCase {
    qreal ratio;
    QSize pixels;
    QRgb colour;
};

}  // namespace

TEST(ScaledBitmapTest, PicksThe1xPictureUpTo1xAndThe2xOneScaledAbove)
{
    const platform::ScaledBitmap bitmap(filled(QSize(20, 10), kOneX), filled(QSize(40, 20), kTwoX));
    const RatioCase cases[] = {
        {0.75, {20, 10}, kOneX}, {1.0, {20, 10}, kOneX},  {1.25, {25, 13}, kTwoX},
        {1.5, {30, 15}, kTwoX},  {2.0, {40, 20}, kTwoX},  {3.0, {60, 30}, kTwoX},
    };
    for (const RatioCase& c : cases) {
        const QImage& picture = bitmap.ForRatio(c.ratio);
        EXPECT_EQ(picture.size(), c.pixels) << c.ratio;
        EXPECT_EQ(picture.devicePixelRatio(), c.ratio > 1 ? c.ratio : 1.0) << c.ratio;
        EXPECT_EQ(picture.pixel(picture.width() / 2, picture.height() / 2), c.colour) << c.ratio;
    }
    EXPECT_EQ(bitmap.Size(), QSize(20, 10)) << "the size in units";
}

TEST(ScaledBitmapTest, WithoutAFittingPartnerThe1xPictureServesEveryRatio)
{
    const QImage oneX = filled(QSize(20, 10), kOneX);
    for (const QImage& partner : {QImage(), filled(QSize(30, 15), kTwoX)}) {
        const platform::ScaledBitmap bitmap(oneX, partner);
        for (const qreal ratio : {1.0, 1.5, 2.0})
            EXPECT_EQ(bitmap.ForRatio(ratio).size(), QSize(20, 10)) << ratio;
    }
}
