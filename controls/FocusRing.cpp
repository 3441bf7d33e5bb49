#include "FocusRing.h"

#include <QPainter>

#include "QtColor.h"

void DrawFocusRing(QPainter& painter, const QRect& rect)
{
    if (rect.width() < 2 || rect.height() < 2)
        return;
    painter.save();
    // Whole pixels with no smoothing: a smoothed dot at a fractional scale
    // would turn the ring into a faint grey line.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    QPen pen(ToQColor(kTextColor), 1);
    pen.setDashPattern({1.0, 1.0});
    painter.setPen(pen);
    // An aliased one-pixel outline covers one pixel more than the rectangle's size.
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}
