// The flat bitmap button and the skinned button, driven by events on the
// offscreen platform and checked by their rendered pixels.
#include "test_button_support.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "CButtonST.h"
#include "CMyButton.h"
#include "QtColor.h"

namespace {

// Template button styles.
constexpr std::uint32_t kPushButtonStyle = 0;
constexpr std::uint32_t kDefPushButtonStyle = 1;
constexpr std::uint32_t kAutoCheckBoxStyle = 3;

const QColor kGround(0, 255, 255);  // what lies beneath the button
const QColor kMagenta(255, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);
const QPoint kNone(-1, -1);

// A w x h bitmap with a magenta ground and a solid core one pixel in.
QImage keyedGlyph(int w, int h, const QColor& core)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kMagenta);
    QPainter p(&image);
    p.fillRect(1, 1, w - 2, h - 2, core);
    return image;
}

QImage render(QWidget& w) { return render(w, kGround); }

QPoint inkAt(const QImage& image, const QColor& color)
{
    const QRect box = inkBounds(image, color);
    return box.isNull() ? kNone : box.topLeft();
}

void click(QWidget& w, QEvent::Type type)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    sendMouse(w, type, QPoint(15, 10), Qt::LeftButton, held);
}

// Counts paints through the caption painter, which runs on every paint.
class CountingButton : public CButtonST {
public:
    int paints = 0;

protected:
    void PaintCaption(QPainter& painter, const QRect& rect) override
    {
        ++paints;
        CButtonST::PaintCaption(painter, rect);
    }
};

class CButtonSTTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button.resize(30, 20);
        button.SetImages(keyedGlyph(10, 8, kRed), keyedGlyph(10, 8, kBlue));
    }

    CButtonST button;
};

class CMyButtonTest : public ::testing::Test {
protected:
    void SetUp() override { button.resize(40, 24); }

    CMyButton button;
};

}  // namespace

TEST_F(CButtonSTTest, TemplateStyleSetsCheckBoxAndDefault)
{
    button.PreSubclassWindow(kPushButtonStyle);
    EXPECT_FALSE(button.IsCheckBox() || button.IsDefault());
    CButtonST def;
    def.PreSubclassWindow(kDefPushButtonStyle);
    EXPECT_TRUE(def.IsDefault() && !def.IsCheckBox());
    CButtonST check;
    check.PreSubclassWindow(kAutoCheckBoxStyle);
    EXPECT_TRUE(check.IsCheckBox() && !check.IsDefault());
}

TEST_F(CButtonSTTest, CheckBoxClickTogglesAndShowsTheActiveImage)
{
    button.PreSubclassWindow(kAutoCheckBoxStyle);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(15, 10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button.GetCheck(), 1);
    // Checked: the active image, without the pressed offset, and no face.
    const QImage checked = render(button);
    EXPECT_EQ(inkAt(checked, kRed), QPoint(11, 1));
    EXPECT_EQ(checked.pixelColor(3, 10), kGround);

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(15, 10));
    EXPECT_FALSE(button.GetChecked());
    moveTo(button, QPoint(15, 10));
    EXPECT_EQ(inkAt(render(button), kBlue), QPoint(11, 1)) << "hover does not change a check box's image";
}

TEST_F(CButtonSTTest, SetCheckTicksOnCheckedAndIndeterminateOnly)
{
    button.SetCheck(1);
    EXPECT_FALSE(button.GetChecked()) << "not a check box";
    button.PreSubclassWindow(kAutoCheckBoxStyle);
    for (const auto& [state, checked] : {std::pair{2, true}, {0, false}, {1, true}, {3, false}}) {
        button.SetCheck(state);
        EXPECT_EQ(button.GetChecked(), checked) << state;
    }
}

TEST_F(CButtonSTTest, RepaintFlagDecidesWhetherSettingTheCheckRepaints)
{
    QWidget window;
    auto* counting = new CountingButton;
    counting->setParent(&window);
    counting->PreSubclassWindow(kAutoCheckBoxStyle);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    counting->paints = 0;
    counting->SetChecked(1, false);
    QCoreApplication::processEvents();
    EXPECT_EQ(counting->paints, 0);
    counting->SetChecked(0, true);
    QCoreApplication::processEvents();
    EXPECT_GT(counting->paints, 0);
}

TEST_F(CButtonSTTest, HoverLightsUntilLeaveFocusLossDeactivationOrHiding)
{
    EXPECT_GT(countColor(render(button), kBlue), 0);
    moveTo(button, QPoint(15, 10));
    EXPECT_TRUE(button.IsHover());
    EXPECT_EQ(countColor(render(button), kBlue), 0);
    EXPECT_GT(countColor(render(button), kRed), 0);

    sendLeave(button);
    EXPECT_FALSE(button.IsHover());

    moveTo(button, QPoint(15, 10));
    QFocusEvent focusOut(QEvent::FocusOut);
    QApplication::sendEvent(&button, &focusOut);
    EXPECT_FALSE(button.IsHover());

    moveTo(button, QPoint(15, 10));
    QEvent deactivate(QEvent::ActivationChange);  // its window is not the active one
    QApplication::sendEvent(&button, &deactivate);
    EXPECT_FALSE(button.IsHover());

    moveTo(button, QPoint(15, 10));
    button.show();
    button.hide();
    EXPECT_FALSE(button.IsHover());
}

TEST_F(CButtonSTTest, DragEnteringWithTheButtonHeldDoesNotLight)
{
    moveTo(button, QPoint(15, 10), Qt::LeftButton);
    EXPECT_FALSE(button.IsHover());
    EXPECT_EQ(countColor(render(button), kRed), 0);
    moveTo(button, QPoint(16, 10));  // released and moved again
    EXPECT_TRUE(button.IsHover());
    moveTo(button, QPoint(45, 10), Qt::LeftButton);  // dragged out of the button
    EXPECT_FALSE(button.IsHover());
}

TEST_F(CButtonSTTest, DoubleClickGivesTwoClicksAndTwoPresses)
{
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QSignalSpy presses(&button, &QAbstractButton::pressed);
    // The second press as a bare double click, then as Qt sends it: press and double click.
    for (bool pressFirst : {false, true}) {
        clicks.clear();
        presses.clear();
        click(button, QEvent::MouseButtonPress);
        click(button, QEvent::MouseButtonRelease);
        if (pressFirst)
            click(button, QEvent::MouseButtonPress);
        click(button, QEvent::MouseButtonDblClick);
        click(button, QEvent::MouseButtonRelease);
        EXPECT_EQ(clicks.count(), 2) << pressFirst;
        EXPECT_EQ(presses.count(), 2) << pressFirst;
    }
}

TEST_F(CButtonSTTest, ImageAlignmentAboveTwoIsRefused)
{
    EXPECT_EQ(button.SetImageAlignment(1), 0u);
    EXPECT_EQ(button.SetImageAlignment(3), 4u);
    EXPECT_EQ(button.GetImageAlignment(), 1);
}

TEST_F(CButtonSTTest, ImagePositionFollowsAlignmentAndPress)
{
    EXPECT_EQ(inkAt(render(button), kBlue), QPoint(11, 1));  // right of no caption: at the top
    button.SetImageAlignment(0);
    EXPECT_EQ(inkAt(render(button), kBlue), QPoint(11, 7));  // centred down
    button.setDown(true);
    EXPECT_EQ(inkAt(render(button), kRed), QPoint(12, 8));
}

TEST_F(CButtonSTTest, KeyColourNeverReachesTheScreen)
{
    for (bool hover : {false, true}) {
        if (hover)
            moveTo(button, QPoint(15, 10));
        const QImage image = render(button);
        EXPECT_EQ(countColor(image, kMagenta), 0);
        EXPECT_EQ(image.pixelColor(10, 4), ToQColor(kHighlightColor)) << "the face shows through";
    }
    button.SetTransparent(false);
    const QImage transparent = render(button);
    EXPECT_EQ(countColor(transparent, kMagenta), 0);
    EXPECT_EQ(transparent.pixelColor(10, 4), kGround);
}

TEST_F(CButtonSTTest, EmptyRestImageShowsTheActiveOneAndNoImagesShowNothing)
{
    button.SetImages(keyedGlyph(10, 8, kRed), QImage());
    EXPECT_GT(countColor(render(button), kRed), 0);
    button.SetImages(-1, -2);  // no such resources
    button.SetTransparent(false);
    EXPECT_EQ(countColor(render(button), kGround), 30 * 20);
}

TEST_F(CButtonSTTest, DisabledButtonDrawsNoImage)
{
    button.setEnabled(false);
    const QImage image = render(button);
    EXPECT_EQ(countColor(image, kRed) + countColor(image, kBlue), 0);
    button.SetTransparent(false);
    EXPECT_EQ(countColor(render(button), kGround), 30 * 20) << "transparent, disabled, no caption: nothing";
}

TEST_F(CButtonSTTest, DisablingMovesTheFocusToTheNextTabStopAndClearsHover)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    CButtonST* buttons[3];
    for (CButtonST*& b : buttons) {
        b = new CButtonST;
        layout->addWidget(b);
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    buttons[2]->setFocus();
    moveTo(*buttons[0], QPoint(2, 2));
    buttons[0]->setEnabled(false);  // even though another button has the focus
    EXPECT_EQ(QApplication::focusWidget(), buttons[1]);
    EXPECT_FALSE(buttons[0]->IsHover());

    buttons[2]->setFocus();
    buttons[2]->setEnabled(false);  // wraps round past the disabled first one
    EXPECT_EQ(QApplication::focusWidget(), buttons[1]);

    buttons[1]->setEnabled(false);  // no tab stop left: the parent
    EXPECT_EQ(QApplication::focusWidget(), &window);
}

TEST_F(CButtonSTTest, CaptionIsCentredAndPressedMovesIt)
{
    button.SetImages(QImage(), QImage());
    button.SetTransparent(false);
    button.resize(80, 40);
    QFont font = button.font();
    font.setPixelSize(20);
    font.setBold(true);
    button.setFont(font);
    button.setText("II");
    const QColor text = ToQColor(kTextColor);
    const QRect rest = inkBounds(render(button), text);
    ASSERT_FALSE(rest.isNull());
    EXPECT_NEAR(rest.center().x(), 39.5, 2.0);
    button.setDown(true);
    EXPECT_EQ(inkBounds(render(button), text), rest.translated(1, 1));
}

TEST_F(CMyButtonTest, OutlineInHighlightColourAtRestOverWhiteFill)
{
    const QImage image = render(button);
    const QColor outline = ToQColor(kHighlightColor);
    for (const QPoint p : {QPoint(20, 0), QPoint(0, 12), QPoint(39, 12), QPoint(20, 23)})
        EXPECT_EQ(image.pixelColor(p), outline) << p.x() << "," << p.y();
    EXPECT_EQ(image.pixelColor(20, 12), kWhite);
    EXPECT_EQ(image.pixelColor(1, 12), kWhite);
    EXPECT_EQ(image.pixelColor(0, 0), kGround) << "the rounded clip keeps the corner out";
}

TEST_F(CMyButtonTest, OutlineTurnsToHoverColourAndBack)
{
    moveTo(button, QPoint(20, 12));
    const QImage hovered = render(button);
    EXPECT_EQ(hovered.pixelColor(20, 0), ToQColor(kHoverColor));
    EXPECT_EQ(hovered.pixelColor(39, 12), ToQColor(kHoverColor));
    EXPECT_EQ(hovered.pixelColor(20, 12), kWhite);
    sendLeave(button);
    EXPECT_EQ(render(button).pixelColor(20, 0), ToQColor(kHighlightColor));
}

TEST_F(CMyButtonTest, PressMovesTheImageButNotTheFace)
{
    button.SetImages(keyedGlyph(16, 16, kRed), keyedGlyph(16, 16, kBlue));
    button.SetImageAlignment(1, false);
    moveTo(button, QPoint(20, 12));
    const QImage hovered = render(button);
    button.setDown(true);
    const QImage pressed = render(button);
    EXPECT_EQ(inkAt(pressed, kRed), inkAt(hovered, kRed) + QPoint(1, 1));
    EXPECT_EQ(pressed.pixelColor(20, 0), hovered.pixelColor(20, 0));
}

TEST_F(CMyButtonTest, DisabledShowsTheRestFaceAndNoImage)
{
    button.SetImages(keyedGlyph(16, 16, kRed), keyedGlyph(16, 16, kBlue));
    moveTo(button, QPoint(20, 12));
    button.setEnabled(false);
    const QImage image = render(button);
    EXPECT_EQ(image.pixelColor(20, 0), ToQColor(kHighlightColor));
    EXPECT_EQ(countColor(image, kRed) + countColor(image, kBlue), 0);
}

TEST_F(CMyButtonTest, KeyGroundShowsTheWhiteFace)
{
    button.SetImages(keyedGlyph(16, 16, kRed), keyedGlyph(16, 16, kBlue));
    const QImage image = render(button);
    EXPECT_EQ(countColor(image, kMagenta), 0);
    const QPoint core = inkAt(image, kBlue);
    ASSERT_NE(core, kNone);
    EXPECT_EQ(image.pixelColor(core + QPoint(-1, 3)), kWhite);
}

TEST_F(CMyButtonTest, TransparentAndCheckBoxButtonsPaintNoFace)
{
    CMyButton check;
    check.resize(40, 24);
    check.PreSubclassWindow(kAutoCheckBoxStyle);
    EXPECT_EQ(countColor(render(check), kGround), 40 * 24);
    button.SetTransparent(false);
    EXPECT_EQ(countColor(render(button), kGround), 40 * 24);
}

TEST_F(CMyButtonTest, CaptionStandsOverAPaleShadowAndTurnsGreenUnderTheMouse)
{
    QFont font = button.font();
    font.setPixelSize(18);
    font.setBold(true);
    button.setFont(font);
    button.resize(80, 40);
    button.setText("H");
    // Inside the outline, which is drawn in the same colours as the caption.
    const QRect inner(2, 2, 76, 36);
    const QImage rest = render(button).copy(inner);
    const QRect shadow = inkBounds(rest, ToQColor(kShadowColor));
    const QRect text = inkBounds(rest, ToQColor(kTextColor));
    ASSERT_FALSE(shadow.isNull() || text.isNull());
    // The caption covers the shadow's top-left; its bottom-right shows.
    EXPECT_EQ(shadow.bottomRight(), text.bottomRight() + QPoint(2, 2));

    moveTo(button, QPoint(5, 5));
    EXPECT_EQ(inkBounds(render(button).copy(inner), ToQColor(kHoverColor)), text);
}
