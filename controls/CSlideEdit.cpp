#include "CSlideEdit.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ColorTypes.h"
#include "FocusRing.h"
#include "QtColor.h"
#include "SlideStep.h"

namespace {
// The frame takes the outermost pixel row and column on each side.
constexpr int kFrameWidth = 1;
}  // namespace

CSlideEdit::CSlideEdit(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
    setTextMargins(kFrameWidth, kFrameWidth, kFrameWidth, kFrameWidth);
    setMouseTracking(true);
    // No click focus: the edit takes the focus itself, so that a press can
    // tell whether it landed on an edit that already had the focus.
    setFocusPolicy(Qt::TabFocus);
}

CSlideEdit::~CSlideEdit() = default;

void CSlideEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !hasFocus()) {
        // The first click only focuses and selects; it is not passed on.
        setFocus(Qt::MouseFocusReason);
        SelectAllText();
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && m_slideEnabled)
        StartSlide(event->position().toPoint());
    QLineEdit::mousePressEvent(event);
}

void CSlideEdit::mouseMoveEvent(QMouseEvent* event)
{
    const bool leftDown = (event->buttons() & Qt::LeftButton) != 0;
    if (m_slideEnabled && m_dragging && leftDown) {
        SlideStep(event->position().toPoint().y());
        event->accept();
        return;
    }
    if (m_dragging && !leftDown)
        EndSlide();  // the release never arrived: don't keep the mouse captive
    if (!m_hover) {
        m_hover = true;
        update();
    }
    QLineEdit::mouseMoveEvent(event);
}

void CSlideEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // Ends a slide even if sliding was switched off meanwhile.
    if (m_dragging && event->button() == Qt::LeftButton)
        EndSlide();
    QLineEdit::mouseReleaseEvent(event);
}

void CSlideEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    SelectAllText();
}

void CSlideEdit::focusOutEvent(QFocusEvent* event)
{
    if (m_dragging)
        EndSlide();
    QLineEdit::focusOutEvent(event);
}

void CSlideEdit::leaveEvent(QEvent* event)
{
    m_hover = false;
    update();
    QLineEdit::leaveEvent(event);
}

void CSlideEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    DrawFrame(painter);
}

void CSlideEdit::StartSlide(const QPoint& pos)
{
    m_dragging = true;
    m_restCursor = cursor();
    setCursor(Qt::BlankCursor);
    grabMouse();
    m_pressPoint = pos;
}

void CSlideEdit::SlideStep(int y)
{
    const std::int32_t value = ParseSlideText(text().toStdString(), m_hexMode);
    const int delta = SlideDelta(m_pressPoint.y(), y);
    if (delta == 0)
        return;  // the movement adds up until it makes a whole step
    setText(QString::fromStdString(FormatSlideText(SlideValue(value, delta), m_hexMode)));
    SelectAllText();
    // Back to the press point, which drops whatever was left over a whole step.
    QCursor::setPos(mapToGlobal(m_pressPoint));
}

void CSlideEdit::EndSlide()
{
    releaseMouse();
    m_dragging = false;
    setCursor(m_restCursor);
    QCursor::setPos(mapToGlobal(m_pressPoint));
}

void CSlideEdit::SelectAllText()
{
    selectAll();  // also leaves the caret at the end, in view
}

void CSlideEdit::DrawFrame(QPainter& painter) const
{
    const QColor color = ToQColor(m_hover ? kTextColor : kHighlightColor);
    const int w = width();
    const int h = height();
    painter.fillRect(QRect(0, 0, w, kFrameWidth), color);
    painter.fillRect(QRect(0, h - kFrameWidth, w, kFrameWidth), color);
    painter.fillRect(QRect(0, 0, kFrameWidth, h), color);
    painter.fillRect(QRect(w - kFrameWidth, 0, kFrameWidth, h), color);
    if (hasFocus())
        DrawFocusRing(painter, *this, rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth));
}
