#include "CMyGroupbox.h"

#include <QFontMetrics>
#include <QPainter>

#include "GroupboxLayout.h"
#include "PathPainter.h"
#include "QtColor.h"

namespace {
constexpr int kCaptionFlags = Qt::TextSingleLine | Qt::AlignHCenter | Qt::AlignVCenter;
}  // namespace

CMyGroupbox::CMyGroupbox(QWidget* parent) : QWidget(parent)
{
    // A group box only frames other controls; clicks go to what lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

CMyGroupbox::~CMyGroupbox() = default;

void CMyGroupbox::SetWindowText(const QString& text)
{
    m_text = text;
    update();
}

void CMyGroupbox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int W = width();
    const int H = height();
    const int m = m_radius;
    const int lw = m_lineWidth;
    const int th = metrics.height();
    const int tw = GroupboxCaptionWidth(metrics.horizontalAdvance(m_text), W, m);
    const int x = GroupboxCaptionX(m_alignment, W, m, tw);

    const QRect caption(x, 0, tw, th);
    painter.setPen(ToQColor(m_shadowColor));
    painter.drawText(caption.translated(kShadowOffset, kShadowOffset), kCaptionFlags, m_text);
    painter.setPen(ToQColor(m_textColor));
    painter.drawText(caption, kCaptionFlags, m_text);

    painter.setRenderHint(QPainter::Antialiasing);
    UsePixelCentres(painter);
    QPen pen(ToQColor(ToArgb(m_frameColor)), qreal(lw));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const PathPiece& piece : GroupboxFramePieces(W, H, m, lw, x, tw, th))
        DrawPiece(painter, piece);
}
