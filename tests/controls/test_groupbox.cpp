// The group box: caption placement, frame geometry and its rendered look.
#include "test_button_support.h"

#include "CMyGroupbox.h"
#include "GroupboxLayout.h"
#include "QtColor.h"

namespace {

const QColor kGround(Qt::white);

class CMyGroupboxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        box.resize(200, 60);
        QFont font = box.font();
        font.setPixelSize(16);
        font.setBold(true);
        box.setFont(font);
        box.m_textColor = kTextColor;
        box.m_frameColor = kHighlightColor;
    }

    QImage render() { return ::render(box, kGround); }
    QRect captionInk() { return inkBounds(render(), ToQColor(kTextColor)); }

    CMyGroupbox box;
};

}  // namespace

TEST(GroupboxLayoutTest, CaptionIsCappedAndPlacedPerAlignment)
{
    EXPECT_EQ(GroupboxCaptionWidth(50, 200, 20), 50);
    EXPECT_EQ(GroupboxCaptionWidth(170, 200, 20), 160);
    EXPECT_EQ(GroupboxCaptionX(0, 200, 20, 50), 20);
    EXPECT_EQ(GroupboxCaptionX(1, 201, 20, 50), 75);  // 20 + 111 / 2, truncated
    EXPECT_EQ(GroupboxCaptionX(2, 200, 20, 50), 130);
}

TEST(GroupboxLayoutTest, TopEdgeBreaksExactlyForTheCaption)
{
    const auto left = GroupboxFramePieces(200, 60, 20, 2, 20, 80, 15);
    EXPECT_EQ(left[0].x1, left[0].x2) << "a left caption starts where the corner ends";
    EXPECT_EQ(left[1].x1, 100);
    const auto empty = GroupboxFramePieces(200, 60, 20, 2, 90, 0, 15);
    EXPECT_EQ(empty[0].x2, empty[1].x1);
    EXPECT_EQ(empty[5].y1, 60 - 2 - 15 + 7) << "bottom edge";
}

TEST_F(CMyGroupboxTest, DefaultsAreTheClassLook)
{
    CMyGroupbox fresh;
    EXPECT_EQ(fresh.m_alignment, 0);
    EXPECT_EQ(fresh.m_radius, 20);
    EXPECT_EQ(fresh.m_lineWidth, 2);
    EXPECT_EQ(fresh.m_textColor, RGB(0, 70, 213));
    EXPECT_EQ(fresh.m_frameColor, RGB(208, 208, 191));
    EXPECT_EQ(fresh.m_shadowColor, RGB(224, 232, 217));
    EXPECT_STREQ(fresh.metaObject()->className(), "CMyGroupbox");
}

TEST_F(CMyGroupboxTest, CaptionHasItsShadowTwoPixelsDownRight)
{
    box.SetWindowText("Step 1 : Select Product");
    const QImage image = render();
    const QRect text = inkBounds(image, ToQColor(kTextColor));
    const QRect shadow = inkBounds(image, ToQColor(kShadowColor));
    ASSERT_FALSE(text.isNull() || shadow.isNull());
    EXPECT_EQ(shadow.bottomRight(), text.bottomRight() + QPoint(2, 2));
    EXPECT_GE(text.left(), 20);
}

TEST_F(CMyGroupboxTest, CaptionFollowsTheAlignment)
{
    box.SetWindowText("Go");
    EXPECT_LT(captionInk().center().x(), 60);
    box.m_alignment = 1;
    EXPECT_NEAR(captionInk().center().x(), 100, 3);
    box.m_alignment = 2;
    EXPECT_GT(captionInk().center().x(), 140);
}

TEST_F(CMyGroupboxTest, FrameLinesLieOnTheirPixelsAndBreakForTheCaption)
{
    box.SetWindowText("Go");
    const QImage image = render();
    const QColor frame = ToQColor(kHighlightColor);
    const QFontMetrics metrics(box.font());
    const int yT = metrics.height() / 2;
    const int yB = 60 - 2 - metrics.height() + yT;
    EXPECT_EQ(image.pixelColor(198, (yT + yB) / 2), frame) << "right edge inside the window";
    EXPECT_EQ(image.pixelColor(0, (yT + yB) / 2), frame) << "left edge centred on x 0";
    EXPECT_EQ(image.pixelColor(100, yB), frame);
    EXPECT_EQ(image.pixelColor(150, yT), frame);
    for (int x = 21; x < 20 + metrics.horizontalAdvance("Go"); ++x)
        EXPECT_NE(image.pixelColor(x, yT), frame) << "gap at x " << x;
}

TEST_F(CMyGroupboxTest, WiderCaptionIsClippedToTheGap)
{
    box.resize(100, 60);
    box.SetWindowText("A caption far too wide for this box");
    const QRect text = captionInk();
    ASSERT_FALSE(text.isNull());
    EXPECT_GE(text.left(), 20);
    EXPECT_LT(text.right(), 80);
}

TEST_F(CMyGroupboxTest, PaintsNoBackgroundAndLetsClicksThrough)
{
    EXPECT_EQ(render().pixelColor(100, 30), kGround);
    EXPECT_TRUE(box.testAttribute(Qt::WA_TransparentForMouseEvents));
}
