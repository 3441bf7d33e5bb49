// The slide edit and the transparent edit under real mouse and keyboard
// events on the offscreen platform.
#include "test_button_support.h"

#include <QTest>
#include <QVBoxLayout>

#include "CSlideEdit.h"
#include "CTranEdit.h"
#include "QtColor.h"

namespace {

const QPoint kPress(40, 10);

void press(QWidget& w, QPoint pos) { sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton); }
void release(QWidget& w, QPoint pos) { sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton); }
void dragTo(QWidget& w, QPoint pos) { moveTo(w, pos, Qt::LeftButton); }
QImage render(QWidget& w) { return render(w, Qt::black); }

class CSlideEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit;
        edit = new CSlideEdit;
        edit->setFixedSize(120, 24);
        layout->addWidget(other);
        layout->addWidget(edit);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus();
    }

    // Focuses the edit with a first click, then presses again to start a slide.
    void startSlide(const QString& text)
    {
        edit->setText(text);
        QTest::mouseClick(edit, Qt::LeftButton, {}, kPress);
        press(*edit, kPress);
    }

    QWidget window;
    QLineEdit* other = nullptr;
    CSlideEdit* edit = nullptr;
};

}  // namespace

TEST_F(CSlideEditTest, FirstClickSelectsAllAndStartsNoSlide)
{
    edit->setText("1234");
    QTest::mouseClick(edit, Qt::LeftButton, {}, kPress);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "1234");
    EXPECT_FALSE(edit->m_dragging);
    dragTo(*edit, kPress - QPoint(0, 16));
    EXPECT_EQ(edit->text(), "1234");
}

TEST_F(CSlideEditTest, EightPixelsUpCountsOneWithTheCursorHidden)
{
    startSlide("5");
    EXPECT_TRUE(edit->m_dragging);
    EXPECT_EQ(edit->cursor().shape(), Qt::BlankCursor);
    dragTo(*edit, kPress - QPoint(0, 8));
    EXPECT_EQ(edit->text(), "6");
    EXPECT_EQ(edit->selectedText(), "6");
    // The pointer went back to the press point: the next 16 up count two more.
    dragTo(*edit, kPress - QPoint(0, 16));
    EXPECT_EQ(edit->text(), "8");
    dragTo(*edit, kPress + QPoint(0, 8));
    EXPECT_EQ(edit->text(), "7");
    release(*edit, kPress);
    EXPECT_FALSE(edit->m_dragging);
    EXPECT_EQ(edit->cursor().shape(), Qt::IBeamCursor);
}

TEST_F(CSlideEditTest, EmptyTextSlidesFromZero)
{
    startSlide("");
    dragTo(*edit, kPress - QPoint(0, 8));
    EXPECT_EQ(edit->text(), "1");
}

TEST_F(CSlideEditTest, SlidingDownStopsAtZero)
{
    startSlide("3");
    dragTo(*edit, kPress + QPoint(0, 40));
    EXPECT_EQ(edit->text(), "0");
}

TEST_F(CSlideEditTest, HexModeCountsInHex)
{
    edit->m_hexMode = true;
    startSlide("FF");
    dragTo(*edit, kPress - QPoint(0, 16));
    EXPECT_EQ(edit->text(), "101");
}

TEST_F(CSlideEditTest, SevenPixelsChangeNothingNineChangeOne)
{
    startSlide("10");
    dragTo(*edit, kPress - QPoint(0, 7));
    EXPECT_EQ(edit->text(), "10");
    dragTo(*edit, kPress - QPoint(0, 9));
    EXPECT_EQ(edit->text(), "11");
    // The extra pixel was dropped: 7 more from the press point do nothing.
    dragTo(*edit, kPress - QPoint(0, 7));
    EXPECT_EQ(edit->text(), "11");
}

TEST_F(CSlideEditTest, SlidingDisabledSelectsTextAsAnOrdinaryEdit)
{
    edit->m_slideEnabled = false;
    edit->setText("12345");
    QTest::mouseClick(edit, Qt::LeftButton, {}, kPress);
    press(*edit, QPoint(3, 10));
    EXPECT_FALSE(edit->m_dragging);
    EXPECT_FALSE(edit->hasSelectedText());
    dragTo(*edit, QPoint(110, 2));
    EXPECT_EQ(edit->text(), "12345");
    EXPECT_EQ(edit->selectedText(), "12345");
    release(*edit, QPoint(110, 2));
}

TEST_F(CSlideEditTest, MoveWithoutTheButtonEndsALostSlide)
{
    startSlide("5");
    moveTo(*edit, kPress - QPoint(0, 16));
    EXPECT_FALSE(edit->m_dragging);
    EXPECT_EQ(edit->text(), "5");
    EXPECT_NE(edit->cursor().shape(), Qt::BlankCursor);
}

TEST_F(CSlideEditTest, FocusLossEndsASlide)
{
    startSlide("5");
    other->setFocus();
    EXPECT_FALSE(edit->m_dragging);
}

TEST_F(CSlideEditTest, KeyboardFocusSelectsAll)
{
    edit->setText("abc");
    edit->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(edit->selectedText(), "abc");
    other->setFocus();
    edit->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(edit->selectedText(), "abc");
}

TEST_F(CSlideEditTest, FrameIsHighlightAtRestAndTextColourHovered)
{
    const QColor rest = ToQColor(kHighlightColor);
    const QColor hovered = ToQColor(kTextColor);
    QImage image = render(*edit);
    for (const QPoint p : {QPoint(0, 0), QPoint(119, 23), QPoint(60, 0), QPoint(0, 12), QPoint(119, 12), QPoint(60, 23)})
        EXPECT_EQ(image.pixelColor(p), rest) << p.x() << "," << p.y();
    EXPECT_NE(image.pixelColor(60, 12), rest);

    moveTo(*edit, QPoint(60, 12));
    EXPECT_TRUE(edit->m_hover);
    image = render(*edit);
    EXPECT_EQ(image.pixelColor(0, 0), hovered);
    EXPECT_EQ(image.pixelColor(119, 12), hovered);
    EXPECT_NE(image.pixelColor(1, 1), hovered);

    sendLeave(*edit);
    EXPECT_FALSE(edit->m_hover);
    EXPECT_EQ(render(*edit).pixelColor(60, 23), rest);
}

TEST_F(CSlideEditTest, TranEditWithSlidingOffBehavesAsThePathField)
{
    auto* path = new CTranEdit;
    path->setFixedSize(120, 24);
    window.layout()->addWidget(path);
    path->m_slideEnabled = false;
    path->setText("/home/user/firmware.bin");
    QTest::mouseClick(path, Qt::LeftButton, {}, kPress);
    EXPECT_EQ(path->selectedText(), "/home/user/firmware.bin");
    press(*path, kPress);
    dragTo(*path, kPress - QPoint(0, 16));
    release(*path, kPress - QPoint(0, 16));
    EXPECT_EQ(path->text(), "/home/user/firmware.bin");
    moveTo(*path, QPoint(60, 12));
    EXPECT_EQ(render(*path).pixelColor(0, 0), ToQColor(kTextColor));
}
