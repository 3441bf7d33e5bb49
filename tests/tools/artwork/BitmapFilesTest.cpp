// The .bmp, .ico and .cur writers and the pixel-art reader of the artwork tool.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include "BitmapFiles.h"
#include "GlyphArt.h"
#include "PictureSet.h"

namespace {

quint32 le32(const QByteArray& bytes, int at)
{
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 | quint32(quint8(bytes[at + 2])) << 16 |
           quint32(quint8(bytes[at + 3])) << 24;
}

quint16 le16(const QByteArray& bytes, int at) { return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8); }

// Distinct colours from a simple formula, so every pixel can be checked.
QImage patterned(int width, int height, int colours)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int n = (x + y * width) % colours;
            image.setPixel(x, y, qRgb(n * 13 % 256, n * 71 % 256, 255 - n * 5));
        }
    return image;
}

QImage decoded(const QByteArray& bytes, const char* format)
{
    return QImage::fromData(bytes, format);
}

void expectSamePixels(const QImage& expected, const QImage& actual)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(actual.pixel(x, y) | 0xFF000000u, expected.pixel(x, y) | 0xFF000000u) << x << "," << y;
}

QImage translucentSample(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(1, 0, qRgba(10, 20, 30, 255));
    image.setPixel(2, 1, qRgba(200, 100, 50, 128));
    return image;
}

}  // namespace

TEST(BitmapFilesTest, Bmp24RoundTripsWithRowPadding)
{
    for (const int width : {1, 2, 3, 4, 5, 627}) {
        const QImage image = patterned(width, 3, 1000);
        const QByteArray bmp = artwork::EncodeBmp24(image);
        const int stride = (width * 3 + 3) / 4 * 4;
        EXPECT_EQ(bmp.size(), 54 + stride * 3) << width;
        EXPECT_EQ(le32(bmp, 2), quint32(bmp.size()));
        EXPECT_EQ(le32(bmp, 10), 54u);
        EXPECT_EQ(le16(bmp, 28), 24);
        expectSamePixels(image, decoded(bmp, "BMP"));
    }
}

TEST(BitmapFilesTest, Bmp24StoresRowsBottomUpInBlueGreenRedOrder)
{
    QImage image(1, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(0, 1, qRgb(4, 5, 6));
    const QByteArray bmp = artwork::EncodeBmp24(image);
    EXPECT_EQ(bmp.mid(54, 3), QByteArray("\x06\x05\x04", 3)) << "the bottom row comes first";
    EXPECT_EQ(bmp.mid(58, 3), QByteArray("\x03\x02\x01", 3));
}

TEST(BitmapFilesTest, Bmp4KeepsUpToSixteenColoursExactly)
{
    for (const int width : {1, 7, 8, 9, 16}) {
        const QImage image = patterned(width, 5, 16);
        const auto bmp = artwork::EncodeBmp4(image);
        ASSERT_TRUE(bmp.has_value()) << width;
        const int stride = (width * 4 + 31) / 32 * 4;
        EXPECT_EQ(bmp->size(), 54 + 64 + stride * 5) << width;
        EXPECT_EQ(le32(*bmp, 10), 54u + 64u);
        EXPECT_EQ(le16(*bmp, 28), 4);
        EXPECT_EQ(le32(*bmp, 46), 16u) << "colours used";
        expectSamePixels(image, decoded(*bmp, "BMP"));
    }
}

TEST(BitmapFilesTest, Bmp4PacksTheLeftPixelIntoTheHighNibble)
{
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 255));
    image.setPixel(1, 0, qRgb(0, 0, 128));
    image.setPixel(2, 0, qRgb(255, 0, 255));
    const auto bmp = artwork::EncodeBmp4(image);
    ASSERT_TRUE(bmp.has_value());
    EXPECT_EQ(bmp->mid(54, 8), QByteArray("\xFF\x00\xFF\x00\x80\x00\x00\x00", 8)) << "palette in BGR0 order";
    EXPECT_EQ(bmp->mid(118, 4), QByteArray("\x01\x00\x00\x00", 4)) << "indexes 0,1 then 0, row padded";
}

TEST(BitmapFilesTest, Bmp4RefusesASeventeenthColour)
{
    EXPECT_FALSE(artwork::EncodeBmp4(patterned(17, 1, 17)).has_value());
    EXPECT_TRUE(artwork::EncodeBmp4(patterned(17, 1, 16)).has_value());
}

TEST(BitmapFilesTest, IcoHoldsEveryImageWithItsAlpha)
{
    const auto ico = artwork::EncodeIco({translucentSample(32), translucentSample(16)});
    ASSERT_TRUE(ico.has_value());
    EXPECT_EQ(le16(*ico, 2), 1) << "icon type";
    EXPECT_EQ(le16(*ico, 4), 2) << "image count";
    EXPECT_EQ(quint8((*ico)[6]), 32);
    EXPECT_EQ(quint8((*ico)[22]), 16);
    EXPECT_EQ(le16(*ico, 12), 32) << "bits per pixel of the first entry";

    QBuffer buffer;
    buffer.setData(*ico);
    QImageReader reader(&buffer, "ICO");
    EXPECT_EQ(reader.imageCount(), 2);
    const QImage first = reader.read();
    ASSERT_EQ(first.size(), QSize(32, 32));
    EXPECT_EQ(first.pixel(1, 0), qRgba(10, 20, 30, 255));
    EXPECT_EQ(qAlpha(first.pixel(2, 1)), 128);
    EXPECT_EQ(qAlpha(first.pixel(5, 5)), 0);
    ASSERT_TRUE(reader.jumpToNextImage());
    EXPECT_EQ(reader.read().size(), QSize(16, 16));
}

TEST(BitmapFilesTest, IcoMaskMarksOnlyTransparentPixels)
{
    QImage image(8, 1, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(7, 0, qRgba(0, 0, 0, 0));
    image.setPixel(3, 0, qRgba(0, 0, 0, 1));  // nearly clear is still drawn
    const auto ico = artwork::EncodeIco({image});
    ASSERT_TRUE(ico.has_value());
    const int imageAt = int(le32(*ico, 18));
    EXPECT_EQ(le32(*ico, imageAt + 8), 2u) << "height counts colour and mask";
    const int maskAt = imageAt + 40 + 8 * 4;
    EXPECT_EQ(ico->mid(maskAt, 4), QByteArray("\x81\x00\x00\x00", 4));
    EXPECT_EQ(ico->size(), maskAt + 4);
}

TEST(BitmapFilesTest, IcoRefusesEmptyAndOversizedImages)
{
    EXPECT_FALSE(artwork::EncodeIco({}).has_value());
    EXPECT_FALSE(artwork::EncodeIco({QImage()}).has_value());
    EXPECT_FALSE(artwork::EncodeIco({translucentSample(16), QImage(257, 1, QImage::Format_ARGB32)}).has_value());
    const auto large = artwork::EncodeIco({QImage(256, 256, QImage::Format_ARGB32)});
    ASSERT_TRUE(large.has_value());
    EXPECT_EQ(quint8((*large)[6]), 0) << "256 is written as 0";
}

TEST(BitmapFilesTest, CurCarriesTheHotSpotScaledToEachSize)
{
    const auto cur = artwork::EncodeCur({translucentSample(32), translucentSample(64)}, QPoint(3, 7));
    ASSERT_TRUE(cur.has_value());
    EXPECT_EQ(le16(*cur, 2), 2) << "cursor type";
    EXPECT_EQ(le16(*cur, 4), 2) << "two sizes";
    EXPECT_EQ(le16(*cur, 10), 3);
    EXPECT_EQ(le16(*cur, 12), 7);
    EXPECT_EQ(le16(*cur, 10 + 16), 6) << "the second size's hot spot";
    EXPECT_EQ(le16(*cur, 12 + 16), 14);
    const QImage image = decoded(*cur, "ICO");
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(image.pixel(1, 0), qRgba(10, 20, 30, 255));
}

TEST(BitmapFilesTest, CurRefusesAHotSpotOutsideTheImage)
{
    EXPECT_FALSE(artwork::EncodeCur({translucentSample(32)}, QPoint(32, 0)).has_value());
    EXPECT_FALSE(artwork::EncodeCur({translucentSample(32)}, QPoint(-1, 0)).has_value());
    EXPECT_FALSE(artwork::EncodeCur({QImage()}, QPoint(0, 0)).has_value());
    EXPECT_FALSE(artwork::EncodeCur({}, QPoint(0, 0)).has_value());
}

TEST(BitmapFilesTest, PixelArtMapsCharactersToInks)
{
    const QImage image = artwork::PixelArt({"x.", ".x"}, {{'x', QColor(1, 2, 3)}});
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 255));
    EXPECT_TRUE(artwork::PixelArt({"x.", "x"}, {{'x', Qt::black}}).isNull()) << "ragged rows";
    EXPECT_TRUE(artwork::PixelArt({"xy"}, {{'x', Qt::black}}).isNull()) << "character without ink";
}

TEST(BitmapFilesTest, CommittedSixteenColourGlyphsMatchTheirDrawing)
{
    // The pixel-art glyphs draw the same everywhere, so the files kept in the
    // repository must be exactly what the tool writes today.
    int compared = 0;
    for (const artwork::Picture& picture : artwork::AllBitmaps()) {
        if (picture.bitsPerPixel != 4)
            continue;
        QFile committed(QStringLiteral(":/bitmap/%1.bmp").arg(picture.id));
        ASSERT_TRUE(committed.open(QIODevice::ReadOnly)) << picture.id;
        const auto drawn = artwork::EncodeBmp4(picture.image);
        ASSERT_TRUE(drawn.has_value()) << picture.id;
        EXPECT_EQ(*drawn, committed.readAll()) << "bitmap " << picture.id << " needs make_artwork";
        ++compared;
    }
    EXPECT_EQ(compared, 8);
}
