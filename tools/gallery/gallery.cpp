// Renders every skinned control in its states onto one PNG sheet, for
// checking the controls' look by eye:
//
//   gallery <sheet.png> [<window.png>]
//
// The optional second picture shows the real controls on the skin at their
// places in the main window, idle and during a run, side by side.
//
// Runs on any Qt platform; use QT_QPA_PLATFORM=offscreen without a display.
// States are reached the way the user reaches them: mouse moves sent to the
// control, the button held down, the check box ticked, the control disabled.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "CButtonST.h"
#include "CCylinderProgressCtrlST.h"
#include "CMyButton.h"
#include "CMyCombox.h"
#include "CMyGroupbox.h"
#include "CTranEdit.h"
#include "ColorMath.h"
#include "ColorTypes.h"
#include "QtColor.h"
#include "Resources.h"

namespace {

constexpr int kSheetWidth = 980;
constexpr int kSheetHeight = 1060;
constexpr int kMargin = 16;
constexpr int kColumn = 150;        // distance between the state columns
constexpr int kComboColumn = 190;   // the same for the wider combo boxes
constexpr int kCaptionHeight = 16;
constexpr int kSectionGap = 14;
constexpr std::uint32_t kAutoCheckBoxStyle = 0x03;  // BS_AUTOCHECKBOX
constexpr int kOwnerDrawItems = 30;  // enough rows for three bands of twelve
constexpr int kPopupColumn = 770;    // right of every row below the buttons

// Resource numbers of the skin's button bitmaps (active, rest).
constexpr int kFolderActive = 140, kFolderRest = 139;
constexpr int kTickedBox = 136, kEmptyBox = 137;
constexpr int kMinimizeActive = 131, kMinimizeRest = 130;
constexpr int kCloseActive = 132, kCloseRest = 133;

const QColor kSheetGround(238, 243, 251);

// Builds the sheet top to bottom; `y` is where the next row starts.
struct Sheet {
    QWidget* root = nullptr;
    int y = kMargin;

    QLabel* caption(const QString& text, int x, int top, bool heading = false)
    {
        auto* label = new QLabel(text, root);
        QFont font = label->font();
        font.setPixelSize(heading ? 14 : 11);
        font.setBold(heading);
        label->setFont(font);
        label->move(x, top);
        label->adjustSize();
        return label;
    }

    void heading(const QString& text)
    {
        y += kSectionGap;
        caption(text, kMargin, y, true);
        y += 22;
    }

    // A row of controls, one per state, each with a caption above it.
    template <typename Make>
    void row(const QString& title, const std::vector<QString>& states, QSize size, Make make, int column = kColumn)
    {
        caption(title, kMargin, y + kCaptionHeight + size.height() / 2 - 7);
        for (std::size_t i = 0; i < states.size(); ++i) {
            const int x = kMargin + 170 + int(i) * column;
            caption(states[i], x, y);
            make(int(i), QRect(QPoint(x, y + kCaptionHeight), size));
        }
        y += kCaptionHeight + size.height() + 10;
    }
};

void sendMouseMove(QWidget* widget, QPoint at, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QPixmap checkerPixmap(QSize size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    constexpr int kSquare = 6;
    for (int y = 0; y < size.height(); y += kSquare)
        for (int x = 0; x < size.width(); x += kSquare)
            p.fillRect(x, y, kSquare, kSquare, ((x + y) / kSquare) % 2 ? QColor(150, 170, 200) : QColor(250, 250, 250));
    return pixmap;
}

// A patterned ground under a transparent control, so its see-through parts show.
void patternedGround(QWidget* parent, const QRect& area)
{
    auto* ground = new QLabel(parent);
    ground->setPixmap(checkerPixmap(area.size()));
    ground->setGeometry(area);
}

// States of a push button: 0 rest, 1 hover, 2 pressed, 3 disabled.
void applyPushState(CButtonST* button, int state)
{
    if (state == 1)
        sendMouseMove(button, button->rect().center());
    if (state == 2)
        button->setDown(true);
    if (state == 3)
        button->setEnabled(false);
}

// States of a check box: 0 empty, 1 empty hovered, 2 ticked, 3 ticked hovered, 4 disabled.
void applyCheckState(CButtonST* box, int state)
{
    if (state >= 2)
        box->SetChecked(1, false);
    if (state == 1 || state == 3)
        sendMouseMove(box, box->rect().center());
    if (state == 4)
        box->setEnabled(false);
}

void buttonSection(Sheet& sheet, std::vector<std::function<void()>>& states)
{
    sheet.heading(QStringLiteral("CMyButton / CButtonST"));
    const std::vector<QString> push = {QStringLiteral("rest"), QStringLiteral("hover"), QStringLiteral("pressed"),
                                       QStringLiteral("disabled")};
    sheet.row(QStringLiteral("CMyButton caption+image"), push, QSize(110, 30), [&](int state, QRect r) {
        auto* b = new CMyButton(sheet.root);
        b->setText(QStringLiteral("Open file"));
        b->SetImages(kFolderActive, kFolderRest);
        b->SetImageAlignment(0, false);
        b->setGeometry(r);
        states.push_back([b, state] { applyPushState(b, state); });
    });
    sheet.row(QStringLiteral("CMyButton browse (26x22)"), push, QSize(26, 22), [&](int state, QRect r) {
        auto* b = new CMyButton(sheet.root);
        b->SetImages(kFolderActive, kFolderRest);
        b->SetImageAlignment(1, false);
        b->setGeometry(r);
        states.push_back([b, state] { applyPushState(b, state); });
    });
    sheet.row(QStringLiteral("CMyButton min / close"), push, QSize(48, 18), [&](int state, QRect r) {
        auto* ground = new QLabel(sheet.root);
        ground->setGeometry(r.adjusted(-4, -4, 4, 4));
        ground->setStyleSheet(QStringLiteral("background: rgb(238,243,251)"));
        for (int i = 0; i < 2; ++i) {
            auto* b = new CMyButton(sheet.root);
            b->SetImages(i == 0 ? kMinimizeActive : kCloseActive, i == 0 ? kMinimizeRest : kCloseRest);
            b->SetBorderVisible(false, false);
            b->SetTransparent(false);
            b->setGeometry(r.left() + i * 24, r.top(), 24, 18);
            states.push_back([b, state] { applyPushState(b, state); });
        }
    });
    sheet.row(QStringLiteral("CMyButton check box"),
              {QStringLiteral("empty"), QStringLiteral("empty, hover"), QStringLiteral("ticked"),
               QStringLiteral("ticked, hover"), QStringLiteral("disabled")},
              QSize(24, 28), [&](int state, QRect r) {
                  auto* b = new CMyButton(sheet.root);
                  b->PreSubclassWindow(kAutoCheckBoxStyle);
                  b->SetImages(kTickedBox, kEmptyBox);
                  b->setGeometry(r);
                  states.push_back([b, state] { applyCheckState(b, state); });
              });
    sheet.row(QStringLiteral("CButtonST (own painters)"),
              {QStringLiteral("rest"), QStringLiteral("hover"), QStringLiteral("pressed"), QStringLiteral("checked"),
               QStringLiteral("disabled")},
              QSize(110, 30), [&](int state, QRect r) {
                  auto* b = new CButtonST(sheet.root);
                  b->setText(QStringLiteral("CButtonST"));
                  b->setGeometry(r);
                  if (state == 3) {
                      b->PreSubclassWindow(kAutoCheckBoxStyle);
                      states.push_back([b] { b->SetChecked(1, false); });
                  } else {
                      states.push_back([b, state] { applyPushState(b, state == 4 ? 3 : state); });
                  }
              });
}

// A bar configured as the main window configures its own.
CCylinderProgressCtrlST* skinnedProgress(QWidget* parent, const QRect& r, int percent, bool vertical)
{
    auto* bar = new CCylinderProgressCtrlST(parent);
    bar->SetVertical(vertical, false);
    bar->SetShowLabel(true, true);
    bar->SetEmptyColor(ToArgb(kHighlightColor), true);
    bar->SetFillColor(ToArgb(ShiftColor(kHighlightColor, 100)), true);
    bar->SetTransparent(false);
    bar->SetRange(0, 3);
    bar->SetPos(percent == 33 ? 1 : percent == 100 ? 3 : 0);
    bar->SetWindowText(QStringLiteral("Updating..."));
    bar->setGeometry(r);
    return bar;
}

void progressSection(Sheet& sheet)
{
    sheet.heading(QStringLiteral("CCylinderProgressCtrlST (transparent, over a pattern)"));
    const std::vector<QString> percents = {QStringLiteral("0 %"), QStringLiteral("33 %"), QStringLiteral("100 %")};
    sheet.row(QStringLiteral("horizontal 140x28"), percents, QSize(140, 28), [&](int i, QRect r) {
        patternedGround(sheet.root, r.adjusted(-6, -6, 6, 6));
        skinnedProgress(sheet.root, r, i == 0 ? 0 : i == 1 ? 33 : 100, false);
    });
    sheet.y += 6;
    sheet.row(QStringLiteral("vertical 28x120"), percents, QSize(28, 120), [&](int i, QRect r) {
        patternedGround(sheet.root, r.adjusted(-6, -6, 6, 6));
        skinnedProgress(sheet.root, r, i == 0 ? 0 : i == 1 ? 33 : 100, true);
    });
    sheet.row(QStringLiteral("default colours, opaque"), {QStringLiteral("33 %, main window size")}, QSize(542, 28),
              [&](int, QRect r) {
                  auto* bar = new CCylinderProgressCtrlST(sheet.root);
                  bar->SetRange(0, 3);
                  bar->SetPos(1);
                  bar->SetWindowText(QStringLiteral("Verifing..."));
                  bar->setGeometry(r);
              });
}

CMyCombox* makeCombo(QWidget* parent, const QRect& r)
{
    auto* combo = new CMyCombox(parent);
    for (const char* name : {"USB MIDI Interface", "Vantrel X5", "Vantrel X7"})
        combo->addItem(QString::fromLatin1(name));
    combo->setGeometry(r);
    return combo;
}

CMyCombox* comboSection(Sheet& sheet, std::vector<std::function<void()>>& states)
{
    sheet.heading(QStringLiteral("CMyCombox"));
    // Wide enough for the longest entry with room to spare.
    sheet.row(
        QStringLiteral("closed box 170x24"),
        {QStringLiteral("rest"), QStringLiteral("mouse inside"), QStringLiteral("mouse over button")},
        QSize(170, 24),
        [&](int state, QRect r) {
            CMyCombox* combo = makeCombo(sheet.root, r);
            if (state == 1)
                states.push_back([combo] { sendMouseMove(combo, QPoint(2, 2)); });
            if (state == 2)
                states.push_back([combo] { sendMouseMove(combo, combo->DropDownArea().center()); });
        },
        kComboColumn);
    CMyCombox* ownerDrawn = nullptr;
    sheet.row(QStringLiteral("owner-drawn list"), {QStringLiteral("30 items, bands of 12")}, QSize(200, 24),
              [&](int, QRect r) {
                  ownerDrawn = new CMyCombox(sheet.root);
                  ownerDrawn->SetOwnerDrawFixed(true);
                  for (int i = 0; i < kOwnerDrawItems; ++i)
                      ownerDrawn->addItem(QStringLiteral("Item %1").arg(i));
                  ownerDrawn->setMaxVisibleItems(kOwnerDrawItems);
                  ownerDrawn->setCurrentIndex(5);
                  ownerDrawn->setGeometry(r);
              });
    return ownerDrawn;
}

void editAndGroupSection(Sheet& sheet, std::vector<std::function<void()>>& states)
{
    sheet.heading(QStringLiteral("CTranEdit"));
    sheet.row(QStringLiteral("path edit 140x28"), {QStringLiteral("rest"), QStringLiteral("hovered")},
              QSize(140, 28), [&](int state, QRect r) {
                  auto* edit = new CTranEdit(sheet.root);
                  edit->m_slideEnabled = false;
                  edit->setText(QStringLiteral("/home/user/x5_v2.bin"));
                  edit->setCursorPosition(0);
                  edit->setGeometry(r);
                  if (state == 1)
                      states.push_back([edit] { sendMouseMove(edit, QPoint(10, 10)); });
              });

    sheet.heading(QStringLiteral("CMyGroupbox"));
    sheet.row(QStringLiteral("skin colours"), {QStringLiteral("left (0)"), QStringLiteral("centre (1)"),
                                              QStringLiteral("right (2)")},
              QSize(140, 60), [&](int alignment, QRect r) {
                  auto* box = new CMyGroupbox(sheet.root);
                  box->SetWindowText(QStringLiteral("Step 1"));
                  box->m_alignment = alignment;
                  box->m_textColor = kTextColor;
                  box->m_frameColor = kHighlightColor;
                  box->setGeometry(r);
              });
    sheet.row(QStringLiteral("defaults; one-line heading"),
              {QStringLiteral("default colours"), QStringLiteral("18 px high (template)"),
               QStringLiteral("caption too wide")},
              QSize(140, 60), [&](int i, QRect r) {
                  auto* box = new CMyGroupbox(sheet.root);
                  box->SetWindowText(i == 2 ? QStringLiteral("Step 2 : Select MIDI Device")
                                            : QStringLiteral("Step 4 : Update"));
                  if (i == 1)
                      r.setHeight(18);
                  box->setGeometry(r);
              });
}

// The open list is a window of its own: paste it below its box.
void pastePopup(QImage& sheetImage, CMyCombox* combo)
{
    combo->showPopup();
    QApplication::processEvents();
    QWidget* popup = combo->view()->window();
    if (popup == nullptr || !popup->isVisible()) {
        std::fprintf(stderr, "gallery: the owner-drawn list did not open\n");
        return;
    }
    const QPixmap list = popup->grab();
    QPainter p(&sheetImage);
    const QPoint at(kPopupColumn, std::min(combo->y(), sheetImage.height() - list.height() - kMargin));
    p.drawPixmap(at, list);
    p.setPen(QColor(120, 120, 120));
    p.drawText(at + QPoint(0, -4), QStringLiteral("open list:"));
}

// Main window places (template positions at 2 pixels per dialog unit).
constexpr QSize kSkinSize(627, 535);
const QColor kWindowFrame(0, 81, 149);

QPixmap framedSkin()
{
    QPixmap skin = QPixmap::fromImage(platform::LoadBitmapResource(149));
    QPainter p(&skin);
    p.setPen(QPen(kWindowFrame, 2));
    p.drawRect(QRect(QPoint(1, 1), kSkinSize - QSize(1, 1)));
    return skin;
}

// The dialog's colour rules give edits and lists the skin's text colour.
void useSkinTextColour(QWidget* control)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Text, ToQColor(kTextColor));
    control->setPalette(palette);
}

CMyButton* glyphButton(QWidget* parent, const QRect& r, int activeId, int restId)
{
    auto* b = new CMyButton(parent);
    b->SetImages(activeId, restId);
    b->SetBorderVisible(false, false);
    b->SetTransparent(false);
    b->setGeometry(r);
    return b;
}

CMyCombox* windowCombo(QWidget* parent, const QRect& r, const QString& text)
{
    auto* combo = new CMyCombox(parent);
    combo->addItem(text);
    useSkinTextColour(combo);
    combo->setGeometry(r);
    return combo;
}

// One main window: skin, the visible controls, and the run's progress bar
// in place of the Update picture and Verify when `running`.
void buildWindow(QWidget* window, bool running)
{
    auto* skin = new QLabel(window);
    skin->setPixmap(framedSkin());
    skin->setGeometry(QRect(QPoint(0, 0), kSkinSize));
    glyphButton(window, QRect(570, 12, 24, 18), kMinimizeActive, kMinimizeRest);
    glyphButton(window, QRect(594, 12, 24, 18), kCloseActive, kCloseRest);
    windowCombo(window, QRect(228, 100, 306, 24), QStringLiteral("Vantrel X5"));
    windowCombo(window, QRect(228, 188, 306, 24), QStringLiteral("USB MIDI Interface"));
    windowCombo(window, QRect(228, 228, 306, 24), QStringLiteral("USB MIDI Interface"));

    auto* path = new CTranEdit(window);
    path->m_slideEnabled = false;
    path->setText(QStringLiteral("/home/user/x5_v2.bin"));
    useSkinTextColour(path);
    path->setGeometry(152, 328, 380, 28);

    auto* browse = new CMyButton(window);
    browse->SetImages(kFolderActive, kFolderRest);
    browse->SetImageAlignment(1, false);
    browse->setGeometry(544, 330, 26, 22);

    if (running) {
        CCylinderProgressCtrlST* bar = skinnedProgress(window, QRect(48, 432, 542, 28), 0, false);
        bar->SetRange(0, 10);
        bar->SetPos(4);
        return;
    }
    auto* update = new QLabel(window);
    update->setPixmap(QPixmap::fromImage(platform::LoadBitmapResource(150)));
    update->setAlignment(Qt::AlignCenter);
    update->setGeometry(258, 422, 104, 40);
    auto* verify = new CMyButton(window);
    verify->PreSubclassWindow(kAutoCheckBoxStyle);
    verify->SetImages(kTickedBox, kEmptyBox);
    verify->SetChecked(1, false);
    verify->setGeometry(386, 432, 24, 28);
}

QImage windowPicture(const QFont& font)
{
    QWidget pair;
    pair.setFont(font);
    pair.resize(kSkinSize.width() * 2 + kMargin, kSkinSize.height());
    for (const bool running : {false, true}) {
        auto* window = new QWidget(&pair);
        window->setGeometry(QRect(QPoint(running ? kSkinSize.width() + kMargin : 0, 0), kSkinSize));
        buildWindow(window, running);
    }
    pair.show();
    QApplication::processEvents();
    return pair.grab().toImage();
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: gallery <sheet.png> [<window.png>]\n");
        return 2;
    }

    QWidget root;
    root.setAutoFillBackground(true);
    QPalette palette = root.palette();
    palette.setColor(QPalette::Window, kSheetGround);
    root.setPalette(palette);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    root.setFont(font);  // the dialog font of the main window: Arial, bold
    root.resize(kSheetWidth, kSheetHeight);

    Sheet sheet{&root};
    std::vector<std::function<void()>> states;
    buttonSection(sheet, states);
    progressSection(sheet);
    CMyCombox* ownerDrawn = comboSection(sheet, states);
    editAndGroupSection(sheet, states);

    root.show();
    QApplication::processEvents();
    for (const auto& enterState : states)
        enterState();
    // Disabling a button hands the keyboard to the next control, the combo box at
    // rest, which would then show its text selected: at rest no control has it.
    root.setFocus();

    QImage image = root.grab().toImage();
    pastePopup(image, ownerDrawn);
    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "gallery: cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3 && !windowPicture(font).save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "gallery: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
