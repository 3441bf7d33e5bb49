#include "CMyButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ButtonLayout.h"
#include "PathPainter.h"
#include "QtColor.h"

namespace {
constexpr int kCaptionFlags = Qt::AlignHCenter | Qt::TextWordWrap;
// The caption stands this far left of and above its pale shadow.
constexpr int kCaptionLift = 2;
}  // namespace

CMyButton::CMyButton(QWidget* parent) : CButtonST(parent)
{
    m_activeBackColor = kWhiteColor;
    m_activeTextColor = kHoverColor;
    m_restBackColor = kWhiteColor;
    m_restTextColor = kTextColor;
    m_focusBackColor = kWhiteColor;
}

CMyButton::~CMyButton() = default;

std::uint32_t CMyButton::PaintFace(QPainter& painter, const QRect& rect)
{
    // The clip reaches one pixel beyond the client area, so only its rounded
    // corners take anything away from the white fill.
    const QRect client = this->rect();
    QPainterPath clip;
    clip.addRoundedRect(QRectF(client.left() - 1, client.top() - 1, client.width() + 3, client.height() + 3),
                        kClipCornerSize / 2.0, kClipCornerSize / 2.0);
    painter.setClipPath(clip);
    painter.setRenderHint(QPainter::Antialiasing);

    QPen pen(ToQColor(ToArgb(m_hover ? kHoverColor : kHighlightColor)), 1.0);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.fillRect(rect, ToQColor(ToArgb(kWhiteColor)));
    DrawRoundedFrame(painter, pen, rect.left(), rect.top(), rect.width() - 1, rect.height() - 1, kFrameRadius);
    painter.setClipping(false);
    return 0;
}

std::uint32_t CMyButton::PaintBorder(QPainter&, const QRect&) { return 0; }

void CMyButton::PaintCaption(QPainter& painter, const QRect& rect)
{
    if (text().isEmpty())
        return;
    const QRect textRect = CaptionTextRect(painter, rect);
    if (m_disabled) {
        DrawDisabledCaption(painter, textRect);
        return;
    }
    painter.setPen(ToQColor(kShadowColor));
    painter.drawText(textRect, kCaptionFlags, text());
    painter.setPen(ToQColor((m_hover || m_pressed) ? m_activeTextColor : m_restTextColor));
    painter.drawText(textRect.translated(-kCaptionLift, -kCaptionLift), kCaptionFlags, text());
}

void CMyButton::DrawRoundedFrame(QPainter& painter, const QPen& pen, int x, int y, int w, int h, int r)
{
    painter.save();
    UsePixelCentres(painter);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ToClosedPath(RoundedFramePieces(x, y, w, h, r)));
    painter.restore();
}
