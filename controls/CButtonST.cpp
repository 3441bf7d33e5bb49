#include "CButtonST.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "DrawBitmap.h"
#include "FocusRing.h"
#include "QtColor.h"

namespace {

// Low byte of a button style: bit 0x02 marks the check-box family; the
// low five bits give the button type.
constexpr std::uint32_t kCheckBoxStyleBit = 0x02;
constexpr std::uint32_t kButtonTypeMask = 0x1F;
constexpr std::uint32_t kPushButtonType = 0;
constexpr std::uint32_t kDefPushButtonType = 1;

constexpr int kCaptionFlags = Qt::AlignHCenter | Qt::TextWordWrap;
// Values of SetCheck that tick the box: checked and indeterminate.
constexpr int kCheckedState = 1;
constexpr int kIndeterminateState = 2;
// SetImageAlignment's answer to an alignment it does not know.
constexpr std::uint32_t kInvalidAlignment = 4;

}  // namespace

CButtonST::CButtonST(QWidget* parent) : QAbstractButton(parent)
{
    setMouseTracking(true);
    // Connected first, so the check state flips before anyone else hears the click.
    connect(this, &QAbstractButton::clicked, this, &CButtonST::OnClicked);
}

CButtonST::~CButtonST() = default;

void CButtonST::PreSubclassWindow(std::uint32_t style)
{
    const std::uint32_t lowByte = style & 0xFF;
    if (lowByte & kCheckBoxStyleBit)
        m_checkBox = true;
    if ((lowByte & kButtonTypeMask) == kDefPushButtonType)
        m_default = true;
}

void CButtonST::SetButtonStyle(std::uint32_t style)
{
    const std::uint32_t type = style & kButtonTypeMask;
    if (type == kDefPushButtonType)
        m_default = true;
    else if (type == kPushButtonType)
        m_default = false;
}

void CButtonST::SetImages(int activeId, int restId)
{
    // The key colour is taken out once here, so no paint can ever show it.
    m_restImage = platform::ScaledBitmap::Load(restId).WithKeyColorTransparent();
    m_activeImage = platform::ScaledBitmap::Load(activeId).WithKeyColorTransparent();
}

void CButtonST::SetImages(const QImage& active, const QImage& rest)
{
    m_restImage = platform::ScaledBitmap(rest, QImage()).WithKeyColorTransparent();
    m_activeImage = platform::ScaledBitmap(active, QImage()).WithKeyColorTransparent();
}

std::uint32_t CButtonST::SetImageAlignment(std::uint8_t alignment, bool repaint)
{
    if (alignment > kImageRight)
        return kInvalidAlignment;
    m_alignment = alignment;
    Invalidate(repaint);
    return 0;
}

std::uint32_t CButtonST::SetChecked(int checked, bool repaint)
{
    if (m_checkBox) {
        m_checked = checked != 0;
        Invalidate(repaint);
    }
    return 0;
}

void CButtonST::SetCheck(int state) { SetChecked(state == kCheckedState || state == kIndeterminateState, true); }

std::uint32_t CButtonST::SetBorderVisible(bool visible, bool repaint)
{
    m_borderVisible = visible;
    Invalidate(repaint);
    return 0;
}

void CButtonST::SetTransparent(bool repaint)
{
    m_transparent = true;
    Invalidate(repaint);
}

std::uint32_t CButtonST::ResetColors(bool repaint)
{
    m_activeBackColor = kHighlightColor;
    m_activeTextColor = kTextColor;
    m_restBackColor = kHighlightColor;
    m_restTextColor = kTextColor;
    m_focusBackColor = kHighlightColor;
    Invalidate(repaint);
    return 0;
}

void CButtonST::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawItem(painter, rect(), isDown(), hasFocus(), !isEnabled());
}

void CButtonST::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    OnMouseMove(event->buttons(), event->position().toPoint());
}

void CButtonST::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second click of a double click is a press like the first; Qt may
    // already have delivered it as a press, which must not count twice.
    if (!isDown())
        mousePressEvent(event);
}

void CButtonST::keyPressEvent(QKeyEvent* event)
{
    // Enter is the dialog's key, never a press of the focused button, whatever
    // the desktop theme would make of it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CButtonST::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    OnMouseMove(QGuiApplication::mouseButtons(), event->position().toPoint());
}

void CButtonST::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    CancelHover();
}

void CButtonST::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    CancelHover();
}

void CButtonST::hideEvent(QHideEvent* event)
{
    QAbstractButton::hideEvent(event);
    CancelHover();
}

void CButtonST::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        CancelHover();
    } else if (event->type() == QEvent::EnabledChange && !isEnabled() && testAttribute(Qt::WA_ForceDisabled)) {
        // Only the button that was itself disabled hands the focus on, not
        // the children of a disabled parent.
        MoveFocusToNextTabStop();
        CancelHover();
    }
}

void CButtonST::DrawItem(QPainter& painter, const QRect& item, bool selected, bool focused, bool disabled)
{
    m_pressed = m_checkBox ? (selected || m_checked) : selected;
    m_focused = focused;
    m_disabled = disabled;

    if (!m_checkBox && !m_transparent) {
        painter.save();
        PaintFace(painter, item);
        painter.restore();
    }
    if (m_borderVisible && (m_pressed || m_hover)) {
        painter.save();
        PaintBorder(painter, item);
        painter.restore();
    }
    QRect caption = item;
    DrawImage(painter, !text().isEmpty(), item, caption, m_pressed, m_disabled);
    painter.save();
    PaintCaption(painter, caption);
    painter.restore();
    // Over everything else: a transparent face never paints the focus colour.
    if (m_focused)
        DrawFocusRing(painter, *this, item);
}

std::uint32_t CButtonST::PaintFace(QPainter& painter, const QRect& rect)
{
    const ColorRef color = (m_hover || m_pressed) ? m_activeBackColor : m_focused ? m_focusBackColor : m_restBackColor;
    painter.fillRect(rect, ToQColor(color));
    return 0;
}

std::uint32_t CButtonST::PaintBorder(QPainter& painter, const QRect& rect)
{
    const QColor light = palette().light().color();
    const QColor dark = palette().dark().color();
    const QColor topLeft = m_pressed ? dark : light;  // sunken when pressed, raised otherwise
    const QColor bottomRight = m_pressed ? light : dark;
    const int x = rect.left();
    const int y = rect.top();
    const int w = rect.width();
    const int h = rect.height();
    painter.fillRect(QRect(x, y, w - 1, 1), topLeft);
    painter.fillRect(QRect(x, y, 1, h - 1), topLeft);
    painter.fillRect(QRect(x + w - 1, y, 1, h), bottomRight);
    painter.fillRect(QRect(x, y + h - 1, w, 1), bottomRight);
    return 0;
}

void CButtonST::PaintCaption(QPainter& painter, const QRect& rect)
{
    if (text().isEmpty())
        return;
    const QRect textRect = CaptionTextRect(painter, rect);
    if (m_disabled) {
        DrawDisabledCaption(painter, textRect);
        return;
    }
    painter.setPen(ToQColor((m_hover || m_pressed) ? m_activeTextColor : m_restTextColor));
    painter.drawText(textRect, kCaptionFlags, text());
}

QRect CButtonST::CaptionTextRect(const QPainter& painter, const QRect& rect) const
{
    QRect r = rect;
    if (m_pressed && !m_checkBox)
        r.translate(1, 1);
    const QRect measured = painter.fontMetrics().boundingRect(r, kCaptionFlags, text());
    return ToQRect(CentreTextBlock(ToWinRect(r), measured.width(), measured.height()));
}

void CButtonST::DrawDisabledCaption(QPainter& painter, const QRect& textRect) const
{
    painter.setPen(palette().light().color());
    painter.drawText(textRect.translated(1, 1), kCaptionFlags, text());
    painter.setPen(palette().dark().color());
    painter.drawText(textRect, kCaptionFlags, text());
}

void CButtonST::OnClicked()
{
    setFocus(Qt::MouseFocusReason);
    if (m_checkBox) {
        m_checked = !m_checked;
        update();
    }
}

void CButtonST::OnMouseMove(Qt::MouseButtons buttons, const QPoint& pos)
{
    // A drag that started elsewhere does not light the button.
    if ((buttons & Qt::LeftButton) && !m_hover)
        return;
    if (!rect().contains(pos)) {
        CancelHover();
        return;
    }
    if (m_hover)
        return;
    m_hover = true;
    update();
}

void CButtonST::CancelHover()
{
    if (!m_hover)
        return;
    m_hover = false;
    update();
}

void CButtonST::MoveFocusToNextTabStop()
{
    QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;
    for (QWidget* w = nextInFocusChain(); w != nullptr && w != this; w = w->nextInFocusChain()) {
        const bool tabStop = (w->focusPolicy() & Qt::TabFocus) != 0;
        if (tabStop && parent->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(parent)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    parent->setFocus(Qt::OtherFocusReason);
}

void CButtonST::DrawImage(QPainter& painter, bool hasCaption, const QRect& item, QRect& caption, bool pressed,
                          bool disabled)
{
    const platform::ScaledBitmap& image = ChooseImage(pressed);
    if (image.IsNull())
        return;
    const QSize size = image.Size();
    const ImagePlacement placed = PlaceImage(m_alignment, hasCaption, ToWinRect(item), ToWinRect(caption), width(),
                                             pressed && !m_checkBox, size.width(), size.height());
    caption = ToQRect(placed.caption);
    if (disabled)
        return;  // a disabled button shows no image
    DrawBitmap(&painter, placed.image.left, placed.image.top, size.width(), size.height(), image, 0, 0,
               QPainter::CompositionMode_SourceOver);
}

const platform::ScaledBitmap& CButtonST::ChooseImage(bool pressed) const
{
    const bool active = m_checkBox ? pressed : (pressed || m_hover);
    if (active)
        return m_activeImage;
    return m_restImage.IsNull() ? m_activeImage : m_restImage;
}

void CButtonST::Invalidate(bool repaint)
{
    if (repaint)
        update();
}
