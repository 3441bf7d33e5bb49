#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QSignalSpy>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include "CMyCombox.h"
#include "QtColor.h"
#include "Resources.h"

namespace {

// A place on the host outside the box.
const QPoint kParkingSpot(390, 190);

class CMyComboxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(400, 200);
        combo = new CMyCombox(&host);
        combo->setGeometry(10, 10, 306, 24);
        combo->addItems({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")});
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        combo->setFocus();
        combo->setEditText(QString());
        moveMouse(&host, kParkingSpot);  // start outside the box, and away from where the last test left off
    }

    void TearDown() override
    {
        combo->hidePopup();
    }

    // Keys go where the user's keys go: to the window that has the keyboard.
    static QWindow* keyboardWindow() { return QGuiApplication::focusWindow(); }

    void type(const char* text)
    {
        for (const char* c = text; *c != '\0'; ++c)
            QTest::keyClick(keyboardWindow(), *c);
    }

    // Keys typed with Caps Lock on since before the program started: the lock
    // bit arrives in the native modifiers (X11's LockMask), no Caps Lock press is seen.
    void typeWithCapsLock(char letter)
    {
        constexpr quint32 kLockMask = 0x2;
        const QString text(QChar::fromLatin1(letter).toUpper());
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, Qt::Key_A + (text[0].unicode() - 'A'), Qt::NoModifier, 0, 0, kLockMask, text);
            QCoreApplication::sendEvent(keyboardWindow(), &key);
        }
    }

    void moveMouse(QWidget* widget, QPoint local)
    {
        QCursor::setPos(widget->mapToGlobal(local));
        QTest::mouseMove(widget, local);
    }

    QString text() const { return combo->lineEdit()->text(); }
    QString selected() const { return combo->lineEdit()->selectedText(); }
    bool popupOpen() const { return combo->view()->isVisible(); }
    QColor framePixel() const { return combo->grab().toImage().pixelColor(0, 12); }
    // Its ticks are counted: "soon" is "at the next tick", however loaded the machine.
    QTimer* hoverTimer() const { return combo->findChild<QTimer*>(QStringLiteral("hoverTimer")); }

    QWidget host;
    CMyCombox* combo = nullptr;
};

TEST_F(CMyComboxTest, TypingAPrefixSelectsTheEntryAndHighlightsTheRest)
{
    type("b");
    EXPECT_EQ(text(), QStringLiteral("Beta"));
    EXPECT_EQ(selected(), QStringLiteral("eta"));
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_TRUE(popupOpen());
    type("E");  // replaces the highlighted rest, ignoring case
    EXPECT_EQ(text(), QStringLiteral("Beta"));
    EXPECT_EQ(selected(), QStringLiteral("ta"));
}

TEST_F(CMyComboxTest, TextWithoutAMatchKeepsTextAndCaret)
{
    type("bx");
    EXPECT_EQ(text(), QStringLiteral("Bx"));
    EXPECT_EQ(combo->lineEdit()->cursorPosition(), 2);
    EXPECT_FALSE(combo->lineEdit()->hasSelectedText());
}

TEST_F(CMyComboxTest, CaretInTheMiddleStaysAfterCompletion)
{
    combo->setEditText(QStringLiteral("Gmma"));
    combo->lineEdit()->setCursorPosition(1);
    type("a");
    EXPECT_EQ(text(), QStringLiteral("Gamma"));
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(combo->lineEdit()->cursorPosition(), 2);
    EXPECT_FALSE(combo->lineEdit()->hasSelectedText());
}

TEST_F(CMyComboxTest, HeldBackspaceSuspendsCompletionUntilReleased)
{
    type("b");
    ASSERT_EQ(text(), QStringLiteral("Beta"));
    QTest::keyPress(keyboardWindow(), Qt::Key_Backspace);
    EXPECT_TRUE(combo->IsDeleting());
    EXPECT_EQ(text(), QStringLiteral("B"));  // not completed back to "Beta"
    QTest::keyPress(keyboardWindow(), Qt::Key_Backspace);
    EXPECT_EQ(text(), QString());
    QTest::keyRelease(keyboardWindow(), Qt::Key_Backspace);
    EXPECT_FALSE(combo->IsDeleting());
    type("g");
    EXPECT_EQ(text(), QStringLiteral("Gamma"));
    EXPECT_EQ(selected(), QStringLiteral("amma"));
}

TEST_F(CMyComboxTest, HeldDeleteSuspendsCompletionUntilReleased)
{
    combo->setEditText(QStringLiteral("Alphax"));
    combo->lineEdit()->setCursorPosition(5);
    QTest::keyPress(keyboardWindow(), Qt::Key_Delete);
    EXPECT_TRUE(combo->IsDeleting());
    EXPECT_EQ(text(), QStringLiteral("Alpha"));
    EXPECT_FALSE(combo->lineEdit()->hasSelectedText());
    QTest::keyRelease(keyboardWindow(), Qt::Key_Delete);
    EXPECT_FALSE(combo->IsDeleting());
}

TEST_F(CMyComboxTest, LosingTheFocusEndsADeletionWhoseReleaseGoesElsewhere)
{
    QLineEdit other(&host);
    other.show();
    QTest::keyPress(keyboardWindow(), Qt::Key_Backspace);
    ASSERT_TRUE(combo->IsDeleting());
    other.setFocus();
    EXPECT_FALSE(combo->IsDeleting());
}

TEST_F(CMyComboxTest, CapsLockKeepsTheListClosedButStillCompletes)
{
    typeWithCapsLock('g');
    EXPECT_EQ(text(), QStringLiteral("Gamma"));
    EXPECT_EQ(selected(), QStringLiteral("amma"));
    EXPECT_FALSE(popupOpen());
    type("a");  // the lock is off again for this key
    EXPECT_EQ(selected(), QStringLiteral("mma"));
    EXPECT_TRUE(popupOpen());
}

TEST_F(CMyComboxTest, EnterClosesTheListAndKeepsTheTypedText)
{
    type("b");
    ASSERT_TRUE(popupOpen());
    QTest::keyClick(keyboardWindow(), Qt::Key_Return);
    EXPECT_FALSE(popupOpen());
    EXPECT_EQ(text(), QStringLiteral("Beta"));

    combo->setEditText(QString());
    type("gx");
    ASSERT_TRUE(popupOpen());
    QTest::keyClick(keyboardWindow(), Qt::Key_Return);
    EXPECT_FALSE(popupOpen());
    EXPECT_EQ(text(), QStringLiteral("Gx"));
}

TEST_F(CMyComboxTest, DropDownIsSignalledBeforeTheListOpens)
{
    int signals_ = 0;
    bool openAtSignal = true;
    QObject::connect(combo, &CMyCombox::dropDown, combo, [&] {
        ++signals_;
        openAtSignal = popupOpen();
        combo->clear();  // the owner refills the list here
        combo->addItems({QStringLiteral("Fresh 1"), QStringLiteral("Fresh 2")});
    });
    QTest::mouseClick(combo, Qt::LeftButton, {}, combo->DropDownArea().center());
    EXPECT_EQ(signals_, 1);
    EXPECT_FALSE(openAtSignal);
    EXPECT_TRUE(popupOpen());
    EXPECT_EQ(combo->view()->model()->rowCount(), 2);
}

TEST_F(CMyComboxTest, FrameTurnsBackToTheHighlightColourSoonAfterTheMouseLeaves)
{
    EXPECT_EQ(framePixel(), ToQColor(kHighlightColor));
    moveMouse(combo, QPoint(295, 12));
    ASSERT_TRUE(combo->IsMouseInside());
    QSignalSpy polls(hoverTimer(), &QTimer::timeout);
    moveMouse(combo->lineEdit(), QPoint(40, 8));  // onto the edit field: still inside
    ASSERT_TRUE(QTest::qWaitFor([&] { return polls.count() >= 2; }));
    EXPECT_TRUE(combo->IsMouseInside());
    EXPECT_EQ(framePixel(), ToQColor(kTextColor));

    polls.clear();
    moveMouse(&host, QPoint(200, 150));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !combo->IsMouseInside(); }));
    EXPECT_EQ(polls.count(), 1) << "the first poll after the mouse left did not notice";
    EXPECT_FALSE(combo->IsHoverTimerActive());
    EXPECT_EQ(framePixel(), ToQColor(kHighlightColor));
}

TEST_F(CMyComboxTest, ButtonAreaShowsTheHoverChevronAndSeparatorOnlyUnderTheMouse)
{
    const QRect area = combo->DropDownArea();
    const QColor green = ToQColor(kHoverColor);
    // Compares the area with a bitmap, from column `firstColumn` on.
    auto showsBitmap = [&](const QImage& image, int id, int firstColumn) {
        const QImage bitmap = platform::LoadBitmapResource(id);
        const QPoint origin = area.topLeft() + DropDownBitmapOffset(area.size(), bitmap.size());
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = firstColumn; x < bitmap.width(); ++x)
                if (image.pixelColor(origin + QPoint(x, y)).rgb() != bitmap.pixelColor(x, y).rgb())
                    return false;
        return true;
    };
    ASSERT_FALSE(platform::LoadBitmapResource(134).isNull());
    ASSERT_FALSE(platform::LoadBitmapResource(135).isNull());

    moveMouse(combo, QPoint(100, 12));
    EXPECT_FALSE(combo->IsOverButton());
    QImage image = combo->grab().toImage();
    EXPECT_NE(image.pixelColor(area.left(), 12), green);
    EXPECT_EQ(image.pixelColor(area.right(), area.center().y()), Qt::white);  // beyond the 16-pixel bitmap
    EXPECT_TRUE(showsBitmap(image, 134, 0));

    moveMouse(combo, area.center());
    EXPECT_TRUE(combo->IsOverButton());
    image = combo->grab().toImage();
    for (int y = 0; y < combo->height(); ++y)
        EXPECT_EQ(image.pixelColor(area.left(), y), green) << y;
    EXPECT_TRUE(showsBitmap(image, 135, 1));  // column 0 lies under the separator
}

TEST_F(CMyComboxTest, LeavingClearsOnlyTheButtonState)
{
    moveMouse(combo, combo->DropDownArea().center());
    ASSERT_TRUE(combo->IsOverButton());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(combo, &leave);
    EXPECT_FALSE(combo->IsOverButton());
    EXPECT_TRUE(combo->IsMouseInside());
}

TEST_F(CMyComboxTest, HidingTheBoxClearsTheMouseStateAtTheNextTick)
{
    moveMouse(combo, combo->DropDownArea().center());
    ASSERT_TRUE(combo->IsHoverTimerActive());
    QSignalSpy polls(hoverTimer(), &QTimer::timeout);
    combo->hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !combo->IsHoverTimerActive(); }));
    EXPECT_EQ(polls.count(), 1);
    EXPECT_FALSE(combo->IsMouseInside());
    EXPECT_FALSE(combo->IsOverButton());
}

TEST_F(CMyComboxTest, OwnerDrawnRowsAreShadedInGroupsOfTwelve)
{
    combo->clear();
    for (int i = 0; i < 30; ++i)
        combo->addItem(QStringLiteral("Item %1").arg(i));
    QImage rows(128, 14 * 3, QImage::Format_RGB32);
    rows.fill(Qt::black);
    {
        QPainter painter(&rows);
        combo->DrawItem({3, false, &painter, QRect(0, 0, 128, 14)});
        combo->DrawItem({13, false, &painter, QRect(0, 14, 128, 14)});
        combo->DrawItem({14, true, &painter, QRect(0, 28, 128, 14)});
    }
    EXPECT_EQ(rows.pixelColor(0, 7), Qt::white);
    EXPECT_EQ(rows.pixelColor(127, 7), Qt::white);
    EXPECT_EQ(rows.pixelColor(0, 21), Qt::white);  // band 0 is the left colour
    EXPECT_EQ(rows.pixelColor(127, 21), QColor((255 + 123 * 63) / 64, (255 + 171 * 63) / 64, 255));
    EXPECT_EQ(rows.pixelColor(127, 35), combo->palette().color(QPalette::Highlight));
}

TEST_F(CMyComboxTest, OwnerDrawnListPaintsThroughDrawItemOnlyWhenAskedFor)
{
    combo->clear();
    for (int i = 0; i < 30; ++i)
        combo->addItem(QStringLiteral("Item %1").arg(i));
    auto lastRowRightEdge = [&] {
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        const QModelIndex row = view->model()->index(13, 0);
        view->scrollTo(row);
        const QRect r = view->visualRect(row);
        const QColor c = view->viewport()->grab().toImage().pixelColor(r.right() - 1, r.center().y());
        combo->hidePopup();
        return c;
    };
    EXPECT_NE(lastRowRightEdge().rgb(), QColor((255 + 123 * 63) / 64, (255 + 171 * 63) / 64, 255).rgb());
    combo->SetOwnerDrawFixed(true);
    EXPECT_EQ(lastRowRightEdge().rgb(), QColor((255 + 123 * 63) / 64, (255 + 171 * 63) / 64, 255).rgb());
}

}  // namespace
