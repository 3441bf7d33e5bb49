#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <vector>

#include "CCylinderProgressCtrlST.h"
#include "CylinderGeometry.h"
#include "QtColor.h"

namespace {

const QColor kParentGround(240, 200, 200);
constexpr Argb kRed{0xFFFF0000};
constexpr Argb kBlue{0xFF0000FF};

// Records what the label painter was given, and how often the bar painted.
class RecordingBar : public CCylinderProgressCtrlST {
public:
    using CCylinderProgressCtrlST::CCylinderProgressCtrlST;
    int paints = 0;
    int lastPercent = -1;

protected:
    void PaintLabel(QPainter& graphics, int percent, const QRect& fullRect, const QRect& emptyRect,
                    const QRect& filledRect, bool horizontal) override
    {
        ++paints;
        lastPercent = percent;
        CCylinderProgressCtrlST::PaintLabel(graphics, percent, fullRect, emptyRect, filledRect, horizontal);
    }
};

class CylinderProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(600, 60);
        parent.setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
        QPalette palette;
        palette.setColor(QPalette::Window, kParentGround);
        parent.setPalette(palette);
        parent.setAutoFillBackground(true);
        bar = new RecordingBar(&parent);
        bar->setGeometry(kBarOrigin.x(), kBarOrigin.y(), 542, 28);
    }

    // The bar as it appears on its parent, in bar coordinates.
    QImage render()
    {
        const QImage whole = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
        return whole.copy(QRect(kBarOrigin, bar->size()));
    }

    static bool hasColor(const QImage& image, const QColor& color)
    {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == color)
                    return true;
        return false;
    }

    static const QPoint kBarOrigin;
    QWidget parent;
    RecordingBar* bar = nullptr;
};
const QPoint CylinderProgressTest::kBarOrigin(20, 16);

TEST_F(CylinderProgressTest, RangePositionAndStepReturnTheirPreviousValues)
{
    EXPECT_EQ(bar->SetRange(-2, 3), (100u << 16) | 0u);
    EXPECT_EQ(bar->SetRange(0, 97), (3u << 16) | 0xFFFEu);
    EXPECT_EQ(bar->SetPos(97), 0);
    EXPECT_EQ(bar->GetPercent(), 99);
    EXPECT_EQ(bar->SetStep(1), 10);
}

TEST_F(CylinderProgressTest, SetPosClampsAndEqualBoundsNeverDivideByZero)
{
    bar->SetRange(10, 20);
    bar->SetPos(3);
    EXPECT_EQ(bar->GetPos(), 10);
    bar->SetPos(25);
    EXPECT_EQ(bar->GetPercent(), 100);
    bar->SetRange(5, 5);
    bar->SetPos(9);
    EXPECT_EQ(bar->GetPercent(), 0);
    bar->SetEmptyColor(kBlue, true);
    bar->SetFillColor(kRed, true);
    bar->SetShowLabel(false, true);
    parent.show();
    const QImage image = render();  // drawn empty: the base face shows, and no fill
    EXPECT_EQ(image.pixelColor(5, 13), ToQColor(ShadeColor(kBlue, 3)));
    EXPECT_GT(image.pixelColor(270, 13).blue(), image.pixelColor(270, 13).red() + 80);
}

TEST_F(CylinderProgressTest, RangeAndPositionChangesRepaintTheBar)
{
    parent.show();
    render();
    const int before = bar->paints;
    bar->SetRange(0, 3);
    bar->SetPos(1);
    render();
    EXPECT_GT(bar->paints, before);
    EXPECT_EQ(bar->lastPercent, 33);
}

TEST_F(CylinderProgressTest, LabelIsPaintedInTheTextColourOnlyWhenShownWithAParent)
{
    const QColor text = ToQColor(kTextColor);
    bar->SetWindowText(QStringLiteral("Updating..."));
    EXPECT_EQ(bar->GetWindowText(), QStringLiteral("Updating..."));
    parent.show();
    EXPECT_TRUE(hasColor(render(), text));
    bar->SetShowLabel(false, true);
    EXPECT_FALSE(hasColor(render(), text));

    CCylinderProgressCtrlST orphan;  // no parent, so no font to label with
    orphan.resize(200, 28);
    orphan.SetWindowText(QStringLiteral("Updating..."));
    EXPECT_FALSE(hasColor(orphan.grab().toImage().convertToFormat(QImage::Format_RGB32), text));
}

TEST_F(CylinderProgressTest, LabelWrapsWithinANarrowBar)
{
    bar->setGeometry(kBarOrigin.x(), kBarOrigin.y(), 30, 100);
    parent.resize(100, 150);
    bar->SetWindowText(QStringLiteral("Updating..."));
    parent.show();
    // Rows holding text: a single line would cover one line's height.
    const QImage image = render();
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).red() < 80 && image.pixelColor(x, y).blue() > 130)
                rows.push_back(y);
    ASSERT_FALSE(rows.empty());
    EXPECT_GT(rows.back() - rows.front(), 2 * QFontMetrics(parent.font()).height());
}

TEST_F(CylinderProgressTest, IsDrawnInDevicePixelsOnADenseScreen)
{
    bar->SetWindowText(QStringLiteral("Updating..."));
    bar->SetRange(0, 3);
    bar->SetPos(1);
    QImage dense(bar->size() * 2, QImage::Format_RGB32);
    dense.setDevicePixelRatio(2);
    bar->render(&dense);
    // Drawn at one pixel per pixel and doubled, every 2x2 block would be uniform.
    int detailedBlocks = 0;
    for (int y = 0; y < dense.height(); y += 2)
        for (int x = 0; x < dense.width(); x += 2)
            detailedBlocks += dense.pixel(x, y) != dense.pixel(x + 1, y + 1) || dense.pixel(x + 1, y) != dense.pixel(x, y + 1);
    EXPECT_GT(detailedBlocks, 200);
}

TEST_F(CylinderProgressTest, EmptyBarShowsTheShadedBaseAndEndFaces)
{
    bar->SetEmptyColor(kBlue, true);
    bar->SetShowLabel(false, true);
    parent.show();
    const QImage image = render();
    // Faces are flat fills: the trailing base face at about 70 %, the end face at about 90 %.
    EXPECT_EQ(image.pixelColor(5, 13), ToQColor(ShadeColor(kBlue, 3)));
    EXPECT_EQ(image.pixelColor(536, 13), ToQColor(ShadeColor(kBlue, 2)));
    // The body is blue under the gloss.
    const QColor body = image.pixelColor(250, 13);
    EXPECT_GT(body.blue(), body.red() + 80);
    EXPECT_EQ(body.red(), body.green());
}

TEST_F(CylinderProgressTest, FilledPartGrowsFromTheLeftInTheFillColour)
{
    bar->SetEmptyColor(kBlue, true);
    bar->SetFillColor(kRed, true);
    bar->SetShowLabel(false, true);
    bar->SetRange(0, 3);
    bar->SetPos(1);  // 33 %: fill 175 of 531
    parent.show();
    const QImage image = render();
    const QColor filled = image.pixelColor(90, 13);
    EXPECT_GT(filled.red(), filled.blue() + 80);
    const QColor empty = image.pixelColor(400, 13);
    EXPECT_GT(empty.blue(), empty.red() + 80);
    // The filled part's leading face, at the fill length, is its flat 90 % shade.
    EXPECT_EQ(image.pixelColor(180, 13), ToQColor(ShadeColor(kRed, 2)));
    EXPECT_EQ(image.pixelColor(536, 13), ToQColor(ShadeColor(kBlue, 2)));
}

TEST_F(CylinderProgressTest, GlossIsBrightestNearTheUpperThird)
{
    bar->SetEmptyColor(kBlue, true);
    bar->SetShowLabel(false, true);
    parent.show();
    const QImage image = render();
    // Bar height 27: the bell peaks 70 % up from the bottom edge, about y = 8.
    const int peak = image.pixelColor(250, 8).red();
    EXPECT_GT(peak, image.pixelColor(250, 2).red());
    EXPECT_GT(peak, image.pixelColor(250, 24).red());
}

TEST_F(CylinderProgressTest, TransparentModeLeavesTheParentVisibleAroundTheEnds)
{
    bar->SetTransparent(true);
    parent.show();
    const QImage image = render();
    EXPECT_EQ(image.pixelColor(0, 0), kParentGround);
    EXPECT_EQ(image.pixelColor(0, 27), kParentGround);
    EXPECT_EQ(image.pixelColor(541, 0), kParentGround);
    EXPECT_EQ(image.pixelColor(541, 27), kParentGround);
    EXPECT_NE(image.pixelColor(541, 13), kParentGround);  // the end face's outline
}

TEST_F(CylinderProgressTest, OpaqueModeClearsTheWholeBarToTheButtonColour)
{
    parent.show();
    EXPECT_EQ(render().pixelColor(541, 27), parent.palette().color(QPalette::Button));
}

TEST_F(CylinderProgressTest, VerticalBarFillsFromTheBottomWithTheEndFaceOnTop)
{
    bar->setGeometry(kBarOrigin.x(), kBarOrigin.y(), 30, 100);
    parent.resize(100, 150);
    bar->PreSubclassWindow(CCylinderProgressCtrlST::PBS_VERTICAL);
    ASSERT_TRUE(bar->IsVertical());
    bar->SetEmptyColor(kBlue, true);
    bar->SetFillColor(kRed, true);
    bar->SetShowLabel(false, true);
    bar->SetRange(0, 2);
    bar->SetPos(1);  // bar 89 high from y = 10: the lowest 44 filled
    parent.show();
    const QImage image = render();
    EXPECT_EQ(image.pixelColor(14, 5), ToQColor(ShadeColor(kBlue, 2)));
    EXPECT_EQ(image.pixelColor(14, 50), ToQColor(ShadeColor(kRed, 2)));
    const QColor bottom = image.pixelColor(6, 85);
    EXPECT_GT(bottom.red(), bottom.blue() + 80);
    const QColor top = image.pixelColor(6, 25);
    EXPECT_GT(top.blue(), top.red() + 80);
    // The gloss runs from the right edge to the left: brightest 30 % in from the left.
    EXPECT_GT(image.pixelColor(9, 30).red(), image.pixelColor(2, 30).red());
    EXPECT_GT(image.pixelColor(9, 30).red(), image.pixelColor(25, 30).red());
}

}  // namespace
