// The executable's picture and string resources as the program loads them.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QSet>
#include <string>

#include "Resources.h"

namespace {

const QRgb kKey = qRgb(255, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kDarkBlue = qRgb(0, 0, 128);
const QRgb kGreen = qRgb(0, 128, 0);

struct ExpectedBitmap {
    int id;
    int width;
    int height;
    int bitsPerPixel;
};

const ExpectedBitmap kBitmaps[] = {
    {130, 9, 9, 4},    {131, 9, 9, 4},    {132, 9, 9, 4},     {133, 9, 9, 4},    {134, 16, 16, 24},
    {135, 16, 16, 24}, {136, 20, 19, 24}, {137, 20, 19, 24},  {139, 16, 16, 4},  {140, 16, 16, 4},
    {145, 16, 15, 4},  {146, 16, 15, 4},  {149, 627, 535, 24}, {150, 88, 40, 24},
};

// The 1x bitmaps and their twice-as-large partners.
const int kScales[] = {1, 2};

// Glyphs drawn on the key colour, which the buttons leave out.
const int kKeyedGlyphs[] = {130, 131, 132, 133, 136, 137, 139, 140, 145, 146};

// Where the main window's controls stand on the skin (template x 2 pixels).
const QRect kControlsOnSkin[] = {
    {228, 100, 306, 24},  // product combo
    {228, 188, 306, 24},  // MIDI In combo
    {228, 228, 306, 24},  // MIDI Out combo
    {152, 328, 380, 28},  // data path
    {544, 330, 26, 22},   // browse
    {258, 422, 104, 40},  // Update picture
    {386, 432, 24, 28},   // Verify check box
};

quint32 le32(const QByteArray& bytes, int at)
{
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 | quint32(quint8(bytes[at + 2])) << 16 |
           quint32(quint8(bytes[at + 3])) << 24;
}

quint16 le16(const QByteArray& bytes, int at) { return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8); }

QString bitmapFile(int id, int scale)
{
    return scale == 2 ? QStringLiteral(":/bitmap/%1@2x.bmp").arg(id) : QStringLiteral(":/bitmap/%1.bmp").arg(id);
}

QByteArray rawResource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSet<QRgb> colours(const QImage& image)
{
    QSet<QRgb> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            found.insert(image.pixel(x, y) | 0xFF000000u);
    return found;
}

QSet<QRgb> coloursIn(const QImage& image, const QRect& area)
{
    return colours(image.copy(area));
}

// A magenta-tinted pixel that is not exactly the key colour would show as a
// pink speck once the key colour is left out.
bool isPinkFringe(QRgb c) { return c != kKey && qRed(c) > 180 && qBlue(c) > 180 && qGreen(c) < 140; }

}  // namespace

TEST(ResourcesTest, EveryBitmapLoadsAtItsSize)
{
    for (const ExpectedBitmap& expected : kBitmaps) {
        const QImage image = platform::LoadBitmapResource(expected.id);
        ASSERT_FALSE(image.isNull()) << "bitmap " << expected.id;
        EXPECT_EQ(image.size(), QSize(expected.width, expected.height)) << "bitmap " << expected.id;
    }
}

TEST(ResourcesTest, EveryBitmapHasAPartnerOfTwiceItsSize)
{
    for (const ExpectedBitmap& expected : kBitmaps) {
        const QImage partner = platform::LoadBitmapResource(expected.id, 2);
        EXPECT_EQ(partner.size(), QSize(expected.width, expected.height) * 2) << "bitmap " << expected.id;
        EXPECT_EQ(partner.devicePixelRatio(), 2.0) << "bitmap " << expected.id;
    }
}

TEST(ResourcesTest, BitmapFilesAreUncompressedDibsAtTheirDepth)
{
    for (const int scale : kScales)
        for (const ExpectedBitmap& expected : kBitmaps) {
            const QByteArray bmp = rawResource(bitmapFile(expected.id, scale));
            const int width = expected.width * scale;
            const int height = expected.height * scale;
            const std::string name = "bitmap " + std::to_string(expected.id) + " at " + std::to_string(scale) + "x";
            ASSERT_GE(bmp.size(), 54) << name;
            EXPECT_EQ(bmp.left(2), QByteArray("BM")) << name;
            EXPECT_EQ(le32(bmp, 2), quint32(bmp.size())) << "file size field of " << name;
            EXPECT_EQ(le32(bmp, 14), 40u) << "info header of " << name;
            EXPECT_EQ(int(le32(bmp, 18)), width) << name;
            EXPECT_EQ(int(le32(bmp, 22)), height) << "bottom-up rows of " << name;
            EXPECT_EQ(le16(bmp, 28), expected.bitsPerPixel) << name;
            EXPECT_EQ(le32(bmp, 30), 0u) << "compression of " << name;
            const int stride = ((width * expected.bitsPerPixel + 31) / 32) * 4;
            const int palette = expected.bitsPerPixel == 4 ? 16 * 4 : 0;
            EXPECT_EQ(le32(bmp, 10), quint32(54 + palette)) << "pixel offset of " << name;
            EXPECT_EQ(bmp.size(), 54 + palette + stride * height) << name;
        }
}

TEST(ResourcesTest, KeyedGlyphsStandOnTheKeyColourWithoutFringes)
{
    for (const int scale : kScales)
        for (const int id : kKeyedGlyphs) {
            const QImage image = platform::LoadBitmapResource(id, scale);
            const QSet<QRgb> found = colours(image);
            EXPECT_TRUE(found.contains(kKey)) << "bitmap " << id << " at " << scale << "x";
            EXPECT_GE(found.size(), 2) << "bitmap " << id << " at " << scale << "x draws something";
            for (const QRgb c : found)
                EXPECT_FALSE(isPinkFringe(c)) << "bitmap " << id << " at " << scale << "x has a pink pixel " << std::hex
                                              << c;
        }
}

TEST(ResourcesTest, PicturedGlyphsLeaveTheirCornersToTheKeyColour)
{
    for (const int id : {136, 137, 139, 140, 145, 146}) {
        const QImage image = platform::LoadBitmapResource(id);
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(0, bottom), QPoint(right, bottom), QPoint(right, 0)})
            EXPECT_EQ(image.pixel(corner) | 0xFF000000u, kKey) << "bitmap " << id;
    }
}

TEST(ResourcesTest, GlyphInksFollowTheResourceTable)
{
    const QSet<QRgb> darkBlueOnKey{kKey, kDarkBlue};
    const QSet<QRgb> greenOnKey{kKey, kGreen};
    EXPECT_EQ(colours(platform::LoadBitmapResource(130)), darkBlueOnKey) << "minimize at rest";
    EXPECT_EQ(colours(platform::LoadBitmapResource(131)), greenOnKey) << "minimize under the mouse";
    EXPECT_EQ(colours(platform::LoadBitmapResource(132)), greenOnKey) << "close under the mouse";
    EXPECT_EQ(colours(platform::LoadBitmapResource(133)), darkBlueOnKey) << "close at rest";
    EXPECT_EQ(colours(platform::LoadBitmapResource(145)), darkBlueOnKey) << "help at rest";
    EXPECT_EQ(colours(platform::LoadBitmapResource(146)), greenOnKey) << "help under the mouse";
}

TEST(ResourcesTest, FolderIsGreyAtRestAndColouredWhenActive)
{
    for (const QRgb c : colours(platform::LoadBitmapResource(139))) {
        if (c != kKey) {
            EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << std::hex << c;
        }
    }
    bool coloured = false;
    for (const QRgb c : colours(platform::LoadBitmapResource(140)))
        coloured = coloured || (c != kKey && qRed(c) != qBlue(c));
    EXPECT_TRUE(coloured);
}

TEST(ResourcesTest, ChevronsAreGreyAndGreenOnWhite)
{
    const QImage rest = platform::LoadBitmapResource(134);
    const QImage hover = platform::LoadBitmapResource(135);
    for (const QImage& chevron : {rest, hover}) {
        EXPECT_EQ(chevron.pixel(0, 0) | 0xFF000000u, kWhite);
        EXPECT_EQ(chevron.pixel(15, 15) | 0xFF000000u, kWhite);
        EXPECT_FALSE(colours(chevron).contains(kKey)) << "copied without a key colour";
    }
    EXPECT_TRUE(colours(rest).contains(qRgb(192, 192, 192)));
    EXPECT_TRUE(colours(hover).contains(kGreen));
    // The chevron points down: its ink reaches lower in the middle column than at the sides.
    auto lowestInk = [&](int x) {
        for (int y = 15; y >= 0; --y)
            if ((rest.pixel(x, y) | 0xFF000000u) != kWhite)
                return y;
        return -1;
    };
    EXPECT_GT(lowestInk(7), lowestInk(4) + 2);
}

TEST(ResourcesTest, CheckBoxTickedDiffersFromEmptyOnlyInsideTheBox)
{
    const QImage ticked = platform::LoadBitmapResource(136);
    const QImage empty = platform::LoadBitmapResource(137);
    int differing = 0;
    for (int y = 0; y < ticked.height(); ++y)
        for (int x = 0; x < ticked.width(); ++x)
            if (ticked.pixel(x, y) != empty.pixel(x, y))
                ++differing;
    EXPECT_GT(differing, 15) << "the tick shows";
    EXPECT_EQ(empty.pixel(6, 9), empty.pixel(13, 9)) << "empty box is plain inside";
}

TEST(ResourcesTest, UpdatePictureCornersMatchThePanelBeneath)
{
    const QImage picture = platform::LoadBitmapResource(150);
    const QImage skin = platform::LoadBitmapResource(149);
    // The static shows the 88 x 40 picture centred in its 104 x 40 control at (258, 422).
    const QPoint origin(258 + (104 - 88) / 2, 422);
    for (const QPoint corner : {QPoint(0, 0), QPoint(87, 0), QPoint(0, 39), QPoint(87, 39)})
        EXPECT_EQ(picture.pixel(corner), skin.pixel(origin + corner)) << corner.x() << "," << corner.y();
    const QRgb middle = picture.pixel(10, 20);
    EXPECT_LT(qRed(middle) + qGreen(middle) + qBlue(middle), 3 * 100) << "a dark button";
}

TEST(ResourcesTest, SkinLeavesThePlacesOfTheControlsPlain)
{
    for (const int scale : kScales) {
        const QImage skin = platform::LoadBitmapResource(149, scale);
        auto plain = [&](const QRect& units) {
            return coloursIn(skin, QRect(units.topLeft() * scale, units.size() * scale)) == QSet<QRgb>{kWhite};
        };
        for (const QRect& control : kControlsOnSkin)
            EXPECT_TRUE(plain(control)) << control.x() << "," << control.y() << " at " << scale << "x";
        // The progress bar replaces the Update picture and Verify during a run; only the
        // Verify label (right of the box) may be painted in its band.
        const QRect band(48, 432, 542, 28);
        EXPECT_TRUE(plain(QRect(band.left(), band.top(), 386 - band.left(), band.height()))) << scale << "x";
        EXPECT_TRUE(plain(QRect(480, band.top(), band.right() + 1 - 480, band.height()))) << scale << "x";
    }
}

TEST(ResourcesTest, SkinPaintsALabelBesideEachControl)
{
    const QImage skin = platform::LoadBitmapResource(149);
    auto hasInk = [&](const QRect& area) {
        for (const QRgb c : coloursIn(skin, area))
            if (qRed(c) < 120 && qBlue(c) > qRed(c))  // text colour RGB(21,66,139) and its anti-aliased edge
                return true;
        return false;
    };
    EXPECT_TRUE(hasInk(QRect(60, 100, 160, 24))) << "Model";
    EXPECT_TRUE(hasInk(QRect(60, 188, 160, 24))) << "MIDI In Device";
    EXPECT_TRUE(hasInk(QRect(60, 228, 160, 24))) << "MIDI Out Device";
    EXPECT_TRUE(hasInk(QRect(60, 328, 90, 28))) << "Data Path";
    EXPECT_TRUE(hasInk(QRect(412, 432, 60, 20))) << "Verify";
    // Nothing is painted between the labels and their controls.
    EXPECT_FALSE(hasInk(QRect(200, 100, 28, 24)));
    EXPECT_FALSE(hasInk(QRect(60, 214, 160, 12))) << "gap between the MIDI rows";
}

TEST(ResourcesTest, KeyColourBecomesTransparentAndNothingElse)
{
    QImage image(4, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, kKey);
    image.setPixel(1, 0, qRgb(254, 0, 255));
    image.setPixel(2, 0, qRgb(255, 1, 255));
    image.setPixel(3, 0, qRgb(255, 0, 254));
    const QImage out = platform::WithKeyColorTransparent(image);
    ASSERT_EQ(out.size(), image.size());
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
    for (int x = 1; x < 4; ++x)
        EXPECT_EQ(out.pixel(x, 0), image.pixel(x, 0) | 0xFF000000u) << x;
}

TEST(ResourcesTest, KeyColourRemovalOfAPalettedGlyph)
{
    const QImage glyph = platform::LoadBitmapResource(132);
    const QImage out = platform::WithKeyColorTransparent(glyph);
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x) {
            const bool key = (glyph.pixel(x, y) | 0xFF000000u) == kKey;
            EXPECT_EQ(qAlpha(out.pixel(x, y)), key ? 0 : 255) << x << "," << y;
            if (!key) {
                EXPECT_EQ(out.pixel(x, y), glyph.pixel(x, y) | 0xFF000000u);
            }
        }
}

TEST(ResourcesTest, StringTableHoldsTheWindowTexts)
{
    EXPECT_EQ(platform::LoadStringResource(102), QStringLiteral("Firmware update   V1.0"));
    EXPECT_EQ(platform::LoadStringResource(103), QStringLiteral("Minimaze"));
    EXPECT_EQ(platform::LoadStringResource(104), QStringLiteral("Close"));
    EXPECT_EQ(platform::LoadStringResource(105), QStringLiteral("Verify data after update"));
    EXPECT_EQ(platform::LoadStringResource(107), QStringLiteral("Find data file"));
    EXPECT_EQ(platform::LoadStringResource(108), QStringLiteral("Update the firmware"));
    EXPECT_EQ(platform::LoadStringResource(109), QStringLiteral("Help"));
    EXPECT_TRUE(platform::LoadStringResource(106).isEmpty());
    EXPECT_TRUE(platform::LoadStringResource(0).isEmpty());
}

TEST(ResourcesTest, IconHoldsEverySizeWithAlpha)
{
    const QIcon icon = platform::LoadIconResource(128);
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    // 32 and 16 first, for readers that take the first image; then 1.5x and 2x of 32.
    for (const int side : {32, 16, 48, 64})
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;

    QImageReader reader(QStringLiteral(":/icon/128.ico"));
    EXPECT_EQ(reader.imageCount(), 4);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(i == 0 || reader.jumpToNextImage());
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255) << "opaque middle";
    }
}

TEST(ResourcesTest, CursorIsAHandWithItsFingertipOnTheHotSpotAtEveryScale)
{
    // Display scale, and the size of the cursor's art taken for it.
    const struct {
        qreal scale;
        int side;
    } cases[] = {{1, 32}, {1.25, 64}, {2, 64}, {3, 64}};
    for (const auto& c : cases) {
        bool ok = false;
        const QCursor cursor = platform::LoadCursorResource(151, &ok, c.scale);
        ASSERT_TRUE(ok);
        EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
        const QImage image = cursor.pixmap().toImage();
        ASSERT_EQ(image.size(), QSize(c.side, c.side)) << "scale " << c.scale;
        EXPECT_EQ(image.deviceIndependentSize(), QSizeF(32, 32)) << "scale " << c.scale;
        const int near = c.side / 10;
        int opaqueNearHotSpot = 0;
        for (int y = 0; y < near; ++y)
            for (int x = 0; x < near; ++x)
                opaqueNearHotSpot += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GT(opaqueNearHotSpot, 0) << "the fingertip touches the top-left corner at scale " << c.scale;
        EXPECT_EQ(qAlpha(image.pixel(c.side - 1, 0)), 0) << "clear away from the hand at scale " << c.scale;
    }
}

TEST(ResourcesTest, MissingResourcesComeBackEmpty)
{
    EXPECT_TRUE(platform::LoadBitmapResource(138).isNull());
    EXPECT_TRUE(platform::LoadIconResource(129).isNull());
    bool ok = true;
    platform::LoadCursorResource(152, &ok);
    EXPECT_FALSE(ok);
}
