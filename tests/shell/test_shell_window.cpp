// The main window as the user sees and handles it: size, skin and frame,
// controls on their painted labels, tooltips, keys, dragging, the about box.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

#include "CAboutDlg.h"
#include "CMyButton.h"
#include "CMyCombox.h"
#include "CPictureStatic.h"
#include "CVantrelDlg.h"
#include "MidiSystem.h"
#include "Resources.h"
#include "ShellTestSupport.h"
#include "SkinPalette.h"

using shelltest::MessageCapture;

namespace {

constexpr QRgb kFrame = qRgb(0, 81, 149);

class ShellWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::InstallQtEventPump();
        shelltest::WriteFile(shelltest::FreshConfigDirectory() / "Piano.cfg", "0\n");
        platform::MidiSystem::instance().clearBackends();
        m_window = std::make_unique<CVantrelDlg>();
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void TearDown() override
    {
        m_window.reset();
        QToolTip::hideText();
    }

    QWidget* Item(int id) { return m_window->GetDlgItem(id); }

    std::unique_ptr<CVantrelDlg> m_window;
};

TEST_F(ShellWindowTest, IsAFramelessFixedWindowOfTheSkinsSizeWithItsTitle)
{
    EXPECT_EQ(m_window->size(), QSize(627, 535));
    EXPECT_EQ(m_window->minimumSize(), m_window->maximumSize());
    EXPECT_TRUE(m_window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(m_window->windowTitle(), QString("Firmware update   V1.0"));
    EXPECT_FALSE(m_window->windowIcon().isNull());
}

TEST_F(ShellWindowTest, PaintsTheSkinOneToOneInsideATwoPixelFrame)
{
    const QImage shot = m_window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage skin = platform::LoadBitmapResource(149).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(skin.isNull());
    for (const QPoint p : {QPoint(0, 0), QPoint(1, 1), QPoint(0, 300), QPoint(1, 300), QPoint(626, 534),
                           QPoint(625, 533), QPoint(300, 0), QPoint(300, 534), QPoint(626, 100)})
        EXPECT_EQ(shot.pixel(p), kFrame) << p.x() << "," << p.y();
    // Inside the frame the skin shows unchanged where no control covers it.
    for (const QPoint p : {QPoint(2, 2), QPoint(5, 300), QPoint(40, 470), QPoint(620, 520), QPoint(300, 30)})
        EXPECT_EQ(shot.pixel(p), skin.pixel(p)) << p.x() << "," << p.y();
}

TEST_F(ShellWindowTest, ControlsSitAtTwicePixelsOfTheirTemplatePlaces)
{
    EXPECT_EQ(Item(1000)->geometry(), QRect(570, 12, 24, 18));
    EXPECT_EQ(Item(1001)->geometry(), QRect(594, 12, 24, 18));
    EXPECT_EQ(Item(1004)->geometry(), QRect(228, 100, 306, 24));
    EXPECT_EQ(Item(1003)->geometry(), QRect(228, 188, 306, 24));
    EXPECT_EQ(Item(1002)->geometry(), QRect(228, 228, 306, 24));
    EXPECT_EQ(Item(1011)->geometry(), QRect(152, 328, 380, 28));
    EXPECT_EQ(Item(1012)->geometry(), QRect(544, 330, 26, 22));
    EXPECT_EQ(Item(1017)->geometry(), QRect(258, 422, 104, 40));
    EXPECT_EQ(Item(1013)->geometry(), QRect(386, 432, 24, 28));
    EXPECT_EQ(Item(1007)->geometry(), QRect(48, 432, 542, 28));
}

TEST_F(ShellWindowTest, StartsIdleWithVerifyTickedAndTheHiddenPartsHidden)
{
    for (int id : {1000, 1001, 1002, 1003, 1004, 1011, 1012, 1013, 1017})
        EXPECT_TRUE(Item(id)->isVisible()) << id;
    for (int id : {1007, 1008, 1009, 1010, 1016, 1015})
        EXPECT_FALSE(Item(id)->isVisible()) << id;
    for (QLabel* label : m_window->findChildren<QLabel*>()) {
        if (qobject_cast<CPictureStatic*>(label) == nullptr) {
            EXPECT_FALSE(label->isVisible()) << label->text().toStdString();
        }
    }
    EXPECT_TRUE(qobject_cast<CMyButton*>(Item(1013))->GetChecked());
    EXPECT_TRUE(qobject_cast<CMyButton*>(Item(1013))->IsCheckBox());
    EXPECT_FALSE(m_window->IsUpdating());
    EXPECT_EQ(QApplication::focusWidget(), Item(1000)) << "the first tab stop has the focus";
}

TEST_F(ShellWindowTest, TabOrderFollowsTheTemplateOverVisibleStopsWithUpdateAfterVerify)
{
    const std::vector<int> order{1000, 1001, 1002, 1003, 1011, 1012, 1013, 1017, 1004};
    Item(1000)->setFocus();
    for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // A combo's edit field holds the focus on behalf of the combo.
        while (focus != nullptr && focus->parentWidget() != m_window.get())
            focus = focus->parentWidget();
        EXPECT_EQ(focus, Item(order[i])) << "stop " << i;
    }
}

TEST_F(ShellWindowTest, FocusRingShowsOnceTheKeyboardMovedTheFocusAndStays)
{
    auto ringShown = [this](int id) {  // control `id` has the focus: does it look otherwise than without?
        EXPECT_TRUE(Item(id)->hasFocus()) << id;
        const QImage focused = Item(id)->grab().toImage();
        m_window->setFocus();
        const QImage unfocused = Item(id)->grab().toImage();
        Item(id)->setFocus();
        return focused != unfocused;
    };
    EXPECT_FALSE(ringShown(1000)) << "at start-up";
    QTest::mouseClick(Item(1013), Qt::LeftButton);
    EXPECT_FALSE(ringShown(1013)) << "after a click";
    QTest::keyClick(Item(1013), Qt::Key_Right);  // Tab is the keyboard-only step's first key
    EXPECT_TRUE(ringShown(1017)) << "after an arrow key moved the focus";
    QTest::mouseClick(Item(1013), Qt::LeftButton);
    EXPECT_TRUE(ringShown(1013)) << "after a click that followed";
}

TEST(SkinPaletteTest, SetOnlyOverADarkTheme)
{
    const QPalette system = QApplication::palette();
    QPalette light = system;
    light.setColor(QPalette::Highlight, QColor(0, 120, 215));
    const QPalette dark(QColor(53, 53, 53), QColor(45, 45, 45));  // white text on dark grey
    for (const QPalette& theme : {light, dark}) {
        QApplication::setPalette(theme);
        ApplySkinPalette();
        const QColor selection = theme == dark ? QColor(48, 140, 198) : QColor(0, 120, 215);
        EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), selection) << selection.name().toStdString();
    }
    QApplication::setPalette(system);
}

TEST_F(ShellWindowTest, EnterAndEscDoNotCloseTheWindow)
{
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QTest::keyClick(Item(1011), Qt::Key_Return);
    QTest::keyClick(Item(1011), Qt::Key_Escape);
    auto* combo = qobject_cast<CMyCombox*>(Item(1004));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Enter);
    QTest::keyClick(Item(1000), Qt::Key_Escape);
    Item(1001)->setFocus();
    QTest::keyClick(Item(1001), Qt::Key_Return);  // not a press of the focused close button
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_window->result(), 0);
}

TEST_F(ShellWindowTest, ComboStillClosesItsListOnEnter)
{
    auto* combo = qobject_cast<CMyCombox*>(Item(1004));
    combo->showPopup();
    ASSERT_TRUE(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_FALSE(combo->view()->isVisible());
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(ShellWindowTest, DroppedListsTakeTheirHeightFromTheTemplate)
{
    // Lists of 30 entries, in a window made after they exist.
    std::vector<std::string> devices;
    for (int i = 10; i < 40; ++i) {
        shelltest::WriteFile(shelltest::ExeDirectory() + "config/Model " + std::to_string(i) + ".cfg", "0\n");
        devices.push_back("Device " + std::to_string(i));
    }
    platform::MidiSystem::instance().addBackend(std::make_shared<shelltest::NamesOnlyBackend>(devices, devices));
    m_window = std::make_unique<CVantrelDlg>();
    m_window->show();
    // The template's 102 and 86 units at 2 pixels, less the closed box's 24, in whole rows.
    for (const auto& [id, height] : {std::pair{1004, 180}, std::pair{1003, 148}}) {
        auto* combo = qobject_cast<CMyCombox*>(Item(id));
        combo->showPopup();
        const int list = combo->view()->window()->height();
        EXPECT_LE(list, height) << id;
        EXPECT_GT(list, height - combo->view()->sizeHintForRow(0)) << id;
        combo->hidePopup();
    }
}

TEST_F(ShellWindowTest, DraggingTheBackgroundMovesTheWindow)
{
    const QPoint start = m_window->pos();
    QTest::mousePress(m_window.get(), Qt::LeftButton, {}, QPoint(10, 520));
    QTest::mouseMove(m_window.get(), QPoint(40, 525));
    QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, QPoint(40, 525));
    EXPECT_EQ(m_window->pos(), start + QPoint(30, 5));
}

TEST_F(ShellWindowTest, DraggingFromAControlDoesNotMoveTheWindow)
{
    const QPoint start = m_window->pos();
    Item(1007)->show();  // the progress bar of a run takes no clicks, yet is no background
    for (int id : {1011, 1012, 1004, 1007}) {
        QWidget* control = Item(id);
        QTest::mousePress(control, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(control, QPoint(45, 25));
        QTest::mouseRelease(control, Qt::LeftButton, {}, QPoint(45, 25));
        qobject_cast<CMyCombox*>(Item(1004))->hidePopup();
        EXPECT_EQ(m_window->pos(), start) << id;
    }
}

TEST_F(ShellWindowTest, FirstClickIntoThePathFieldSelectsTheWholePath)
{
    auto* path = qobject_cast<QLineEdit*>(Item(1011));
    path->setText("/home/user/firmware.bin");
    ASSERT_FALSE(path->hasFocus());
    QTest::mouseClick(path, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_TRUE(path->hasFocus());
    EXPECT_EQ(path->selectedText().toStdString(), path->text().toStdString());
    // The second click is an ordinary edit click: it places the caret.
    QTest::mouseClick(path, Qt::LeftButton, {}, QPoint(20, 14));
    EXPECT_FALSE(path->hasSelectedText());
}

TEST_F(ShellWindowTest, CloseButtonWhileIdleEndsTheDialogWithZero)
{
    MessageCapture messages;
    m_window->setResult(7);
    QTest::mouseClick(Item(1001), Qt::LeftButton);
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(m_window->result(), 0);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(ShellWindowTest, MinimizeButtonMinimizes)
{
    QTest::mouseClick(Item(1000), Qt::LeftButton);
    EXPECT_TRUE(m_window->windowState() & Qt::WindowMinimized);
}

TEST_F(ShellWindowTest, ToolTipsCarryTheirTextsInTheSkinColours)
{
    const std::vector<std::pair<int, QString>> tips{{1001, "Close"},          {1000, "Minimaze"},
                                                    {1012, "Find data file"}, {1017, "Update the firmware"},
                                                    {1013, "Verify data after update"}, {1015, "Help"}};
    for (const auto& [id, text] : tips)
        EXPECT_EQ(Item(id)->toolTip(), text) << id;

    QWidget* picture = Item(1017);
    const QPoint at(20, 10);
    QHelpEvent help(QEvent::ToolTip, at, picture->mapToGlobal(at));
    QApplication::sendEvent(picture, &help);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString("Update the firmware"));
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(255, 255, 255));
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipText), QColor(21, 66, 139));

    // The tip as drawn: a white ground.
    QWidget* tip = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible())
            tip = w;
    ASSERT_NE(tip, nullptr);
    const QImage drawn = tip->grab().toImage();
    EXPECT_EQ(QColor(drawn.pixel(drawn.width() - 3, drawn.height() / 2)), QColor(255, 255, 255));
}

TEST_F(ShellWindowTest, HandCursorOverTheUpdatePicture)
{
    const QCursor cursor = Item(1017)->cursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
    EXPECT_EQ(Item(1012)->cursor().shape(), Qt::ArrowCursor);
}


// Runs `check` on the modal window that opens next, then closes it with `key`.
void OnNextModal(std::function<void(QWidget*)> check, Qt::Key key)
{
    QTimer::singleShot(0, [check = std::move(check), key] {
        QWidget* modal = QApplication::activeModalWidget();
        check(modal);
        if (modal != nullptr)
            QTest::keyClick(modal, key);
    });
}

TEST_F(ShellWindowTest, SystemCommandsOfTheAboutRangeOpenTheAboutBox)
{
    for (unsigned id : {0x0010u, 0x0013u, 0x001Fu}) {
        bool opened = false;
        OnNextModal([&](QWidget* modal) { opened = qobject_cast<CAboutDlg*>(modal) != nullptr; }, Qt::Key_Escape);
        m_window->OnSysCommand(id);
        EXPECT_TRUE(opened) << std::hex << id;
        EXPECT_TRUE(m_window->isVisible());
    }
}

TEST_F(ShellWindowTest, OtherSystemCommandsKeepTheirOwnMeaning)
{
    bool aboutOpened = false;
    QTimer::singleShot(0, [&] { aboutOpened = QApplication::activeModalWidget() != nullptr; });
    m_window->OnSysCommand(0x0020);
    QApplication::processEvents();
    EXPECT_FALSE(aboutOpened);
    m_window->OnSysCommand(0xF020);  // minimize
    EXPECT_TRUE(m_window->windowState() & Qt::WindowMinimized);
    m_window->OnSysCommand(0xF060);  // close
    EXPECT_FALSE(m_window->isVisible());
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override { platform::InstallQtEventPump(); }
};

TEST_F(AboutBoxTest, ShowsTheTemplateTextsAndIcon)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QString::fromUtf8("关于 Vantrel"));
    QStringList texts;
    int icons = 0;
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (!label->pixmap().isNull())
            ++icons;
        else
            texts << label->text();
    }
    EXPECT_EQ(icons, 1);
    EXPECT_TRUE(texts.contains(QString::fromUtf8("Vantrel 1.0 版")));
    EXPECT_EQ(texts.size(), 2);
    auto* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(about.font().pointSize(), 9);
}

TEST_F(AboutBoxTest, OkEndsTheBox)
{
    CAboutDlg about;
    QTimer::singleShot(0, [&] { QTest::mouseClick(about.findChild<QPushButton*>(), Qt::LeftButton); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, FontFallsBackToAFaceThatDrawsChinese)
{
    const QFontInfo info(CAboutDlg::TemplateFont());
    const QFontMetrics metrics(CAboutDlg::TemplateFont());
    EXPECT_TRUE(metrics.inFont(QChar(0x5173))) << info.family().toStdString();  // 关
}

}  // namespace
