#include "CMyCombox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionComplex>
#include <QStyledItemDelegate>
#include <algorithm>

#include "DrawBitmap.h"
#include "FocusRing.h"
#include "KeyboardState.h"
#include "QtColor.h"

namespace {

// Edit field margins inside the frame: left, and the gap before the drop-down button.
constexpr int kEditLeftInset = 3;
constexpr int kEditButtonGap = 2;
// Extra height of an owner-drawn row over its font's line height.
constexpr int kOwnerDrawRowPadding = 2;

int smallIconWidth(const QStyle* style)
{
    return style->pixelMetric(QStyle::PM_SmallIconSize);
}

// Places the edit field and the drop-down button where the skin paints them.
class ComboBoxSkinStyle : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override
    {
        if (control == CC_ComboBox) {
            const QRect area = DropDownButtonArea(option->rect, smallIconWidth(this));
            switch (sub) {
            case SC_ComboBoxArrow: return area;
            case SC_ComboBoxFrame: return option->rect;
            case SC_ComboBoxEditField:
                return QRect(QPoint(option->rect.left() + kEditLeftInset, area.top()),
                             QPoint(area.left() - kEditButtonGap, area.bottom()));
            default: break;
            }
        }
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
};

// Hands each list row to the box's DrawItem, as an owner-drawn list does.
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    explicit OwnerDrawDelegate(CMyCombox* combo)
        : QStyledItemDelegate(combo), m_combo(combo)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        m_combo->DrawItem({index.row(), option.state.testFlag(QStyle::State_Selected), painter, option.rect});
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize base = QStyledItemDelegate::sizeHint(option, index);
        return QSize(base.width(), option.fontMetrics.height() + kOwnerDrawRowPadding);
    }

private:
    CMyCombox* m_combo;
};

bool isDeleteKey(int key) { return key == Qt::Key_Delete || key == Qt::Key_Backspace; }
bool isEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }
bool isListKeyEvent(const QEvent* event)
{
    return event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
           event->type() == QEvent::ShortcutOverride;
}

}  // namespace

CMyCombox::CMyCombox(QWidget* parent)
    : QComboBox(parent)
{
    m_style = new ComboBoxSkinStyle;
    m_style->setParent(this);
    setStyle(m_style);

    setEditable(true);
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    setMouseTracking(true);
    lineEdit()->setMouseTracking(true);
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
    view()->installEventFilter(this);  // after the list's own filter, so this one sees keys first
    connect(lineEdit(), &QLineEdit::textEdited, this, &CMyCombox::onTextEdited);

    m_hoverTimer.setObjectName(QStringLiteral("hoverTimer"));
    m_hoverTimer.setInterval(kHoverPollMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CMyCombox::OnTimer);
}

CMyCombox::~CMyCombox()
{
    // The skin style dies with this box: hand the box back to the application's style first.
    setStyle(QApplication::style());
}

void CMyCombox::SetOwnerDrawFixed(bool ownerDraw)
{
    if (ownerDraw == m_ownerDraw)
        return;
    m_ownerDraw = ownerDraw;
    if (ownerDraw)
        setItemDelegate(new OwnerDrawDelegate(this));
    else
        setItemDelegate(new QStyledItemDelegate(this));
}

void CMyCombox::DrawItem(const DrawItemRequest& request)
{
    if (count() == 0 || request.painter == nullptr)
        return;
    QPainter& dc = *request.painter;
    const QRect& r = request.rcItem;
    const QString text = itemText(request.itemID);

    QColor textColor;
    if (request.selected) {
        textColor = palette().color(QPalette::HighlightedText);
        dc.fillRect(r, palette().color(QPalette::Highlight));
    } else {
        textColor = ToQColor(kTextColor);
        FillGradient(dc, r, kWhiteColor, ItemBandColor(request.itemID));
    }

    QRect textRect = r.adjusted(1, 1, -1, -1);
    textRect.setLeft(textRect.left() + kItemTextIndent);
    dc.setPen(textColor);
    dc.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void CMyCombox::FillGradient(QPainter& dc, const QRect& rect, ColorRef c1, ColorRef c2)
{
    for (const GradientBand& band : GradientBands(rect, c1, c2))
        dc.fillRect(QRect(band.left, rect.top(), band.right - band.left, rect.height()), ToQColor(band.color));
}

QRect CMyCombox::DropDownArea() const { return DropDownButtonArea(rect(), smallIconWidth(style())); }

void CMyCombox::showPopup()
{
    emit dropDown();  // the owner may refill the list before it opens
    fitListToDroppedHeight();
    QComboBox::showPopup();
}

void CMyCombox::fitListToDroppedHeight()
{
    if (m_droppedHeight <= 0 || count() == 0)
        return;
    // The frames of the list and of its window take their share of the height.
    auto verticalFrames = [](const QWidget* frame) {
        return frame == nullptr ? 0 : frame->contentsMargins().top() + frame->contentsMargins().bottom();
    };
    const int frames = verticalFrames(view()) + verticalFrames(view()->parentWidget());
    setMaxVisibleItems(DroppedListRows(m_droppedHeight, frames, view()->sizeHintForRow(0)));
}

void CMyCombox::paintEvent(QPaintEvent*)
{
    // Frame and separator are filled pixel columns and rows rather than pen strokes,
    // which a screen of two device pixels per pixel would spread across two pixels.
    QPainter painter(this);
    const QRect c = rect();
    painter.fillRect(c, ToQColor(m_mouseInside ? kTextColor : kHighlightColor));
    painter.fillRect(c.adjusted(1, 1, -1, -1), ToQColor(kWhiteColor));
    // Under the drop-down button's separator, which keeps its whole height.
    if (HoldsFocus())
        DrawFocusRing(painter, *this, c.adjusted(1, 1, -1, -1));

    const QRect area = DropDownArea();
    paintButton(painter, area);
    if (m_overButton)
        painter.fillRect(QRect(area.left(), c.top(), 1, c.height()), ToQColor(kHoverColor));
}

bool CMyCombox::HoldsFocus() const { return hasFocus() || (lineEdit() != nullptr && lineEdit()->hasFocus()); }

void CMyCombox::mouseMoveEvent(QMouseEvent* event)
{
    OnMouseMove(event->position().toPoint());
    QComboBox::mouseMoveEvent(event);
}

void CMyCombox::leaveEvent(QEvent* event)
{
    // Only the button state ends here; the inside state is the polling timer's.
    m_overButton = false;
    update(DropDownArea());
    QComboBox::leaveEvent(event);
}

bool CMyCombox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this || watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            PreTranslateMessage(event);
            break;
        case QEvent::FocusIn:
            update();  // the focus ring
            break;
        case QEvent::FocusOut:
            update();
            // A key released after the focus has gone elsewhere is never seen here, so
            // don't stay suspended; the box's own list keeps passing keys on.
            if (!isPopupVisible())
                m_deleting = false;
            break;
        case QEvent::MouseMove:
            if (watched == lineEdit())
                OnMouseMove(lineEdit()->mapTo(this, static_cast<QMouseEvent*>(event)->position().toPoint()));
            break;
        default:
            break;
        }
    } else if (watched == view() && isListKeyEvent(event) && isEditKey(*static_cast<QKeyEvent*>(event))) {
        return forwardToEdit(event);
    }
    return QComboBox::eventFilter(watched, event);
}

bool CMyCombox::isEditKey(const QKeyEvent& key) const
{
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter on an entry picked in the list chooses it; otherwise it only closes the list.
        return view()->currentIndex().row() == currentIndex();
    default:
        return !key.text().isEmpty() && key.text().front().isPrint();
    }
}

bool CMyCombox::forwardToEdit(QEvent* event)
{
    // The open list holds the keyboard, but typing still belongs to the edit field.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();  // deliver the key press itself instead of a list shortcut
        return true;
    }
    QCoreApplication::sendEvent(lineEdit(), event);
    return true;
}

void CMyCombox::PreTranslateMessage(QEvent* event)
{
    const auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress) {
        m_capsLockOn = platform::IsCapsLockOn(*key);
        if (isDeleteKey(key->key()))
            m_deleting = true;
        else if (isEnterKey(key->key()))
            hidePopup();
    } else if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat() && isDeleteKey(key->key())) {
        m_deleting = false;
    }
}

void CMyCombox::OnMouseMove(const QPoint& p)
{
    if (!m_mouseInside) {
        update();
        m_hoverTimer.start();
        m_mouseInside = true;
    }
    const QRect area = DropDownArea();
    const bool over = area.contains(p);
    if (over != m_overButton) {
        m_overButton = over;
        update(area);
    }
}

void CMyCombox::OnTimer()
{
    if (!isVisible()) {
        clearHoverState();
        return;
    }
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
        clearHoverState();
        update();
    }
}

void CMyCombox::onTextEdited()
{
    OnEditUpdate();
    OnEditChange();
}

void CMyCombox::OnEditUpdate()
{
    if (m_deleting)
        return;  // deleting never completes, or the deleted text would come straight back
    const QString typed = lineEdit()->text();
    if (typed.isEmpty())
        return;

    QStringList items;
    for (int i = 0; i < count(); ++i)
        items << itemText(i);
    const CompletionResult result = CompleteEditText(typed, editSelection(), items);
    if (result.item >= 0) {
        setCurrentIndex(result.item);
        if (isPopupVisible())
            view()->setCurrentIndex(model()->index(result.item, modelColumn(), rootModelIndex()));
    }
    if (lineEdit()->text() != result.text)
        lineEdit()->setText(result.text);
    setEditSelection(result.selection);
}

void CMyCombox::OnEditChange()
{
    if (m_capsLockOn || isPopupVisible())
        return;
    // Opening the list selects the whole text; the user's selection is put back.
    const EditSelection sel = editSelection();
    showPopup();
    setEditSelection(sel);
    // The edit field's focus loss to the list clears the selection once more from
    // a queued call: put it back after that, unless the user has typed on since.
    const QString text = lineEdit()->text();
    QMetaObject::invokeMethod(
        this,
        [this, sel, text] {
            if (lineEdit()->text() == text)
                setEditSelection(sel);
        },
        Qt::QueuedConnection);
}

EditSelection CMyCombox::editSelection() const
{
    const QLineEdit* edit = lineEdit();
    if (!edit->hasSelectedText())
        return {edit->cursorPosition(), edit->cursorPosition()};
    return {edit->selectionStart(), edit->selectionEnd()};
}

void CMyCombox::setEditSelection(EditSelection sel)
{
    QLineEdit* edit = lineEdit();
    const int length = int(edit->text().size());
    const int start = std::clamp(sel.start, 0, length);
    const int end = std::clamp(sel.end, start, length);
    if (start == end)
        edit->setCursorPosition(start);
    else
        edit->setSelection(start, end - start);
}

void CMyCombox::clearHoverState()
{
    m_mouseInside = false;
    m_overButton = false;
    m_hoverTimer.stop();
}

bool CMyCombox::isPopupVisible() const { return view() != nullptr && view()->isVisible(); }

void CMyCombox::paintButton(QPainter& painter, const QRect& area) const
{
    // A bitmap that does not load leaves the area as the frame painted it; beyond
    // the bitmap's own pixels the area stays white.
    const platform::ScaledBitmap& bitmap = m_overButton ? m_buttonHoverBitmap : m_buttonBitmap;
    const QPoint at = area.topLeft() + DropDownBitmapOffset(area.size(), bitmap.Size());
    DrawBitmap(&painter, at.x(), at.y(), area.width(), area.height(), bitmap, 0, 0, SRCCOPY);
}
