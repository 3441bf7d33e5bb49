#include "FocusRing.h"

#include <QPainter>
#include <QVariant>
#include <QWidget>
#include <QtMath>

#include "QtColor.h"

namespace {

// The window's property that says it shows the focus.
constexpr char kFocusCues[] = "focusCuesShown";
// Slack for a device edge that lies on a whole pixel but was computed a hair off it.
constexpr qreal kEdgeSlack = 0.01;

}  // namespace

void ShowFocusCues(QWidget& window)
{
    if (window.property(kFocusCues).toBool())
        return;
    window.setProperty(kFocusCues, true);
    window.update();
}

void DrawFocusRing(QPainter& painter, const QWidget& control, const QRect& rect)
{
    if (!control.window()->property(kFocusCues).toBool())
        return;
    // Drawn on whole device pixels inside the rectangle: at a fractional scale
    // a ring in units falls between pixels, and a side is cut off at the edge.
    const QTransform toDevice = painter.deviceTransform();
    const QRectF area = toDevice.mapRect(QRectF(rect));
    const int left = qCeil(area.left() - kEdgeSlack);
    const int top = qCeil(area.top() - kEdgeSlack);
    const int right = qFloor(area.right() + kEdgeSlack);  // past the last pixel
    const int bottom = qFloor(area.bottom() + kEdgeSlack);
    const int dot = qMax(1, qFloor(toDevice.m11() + kEdgeSlack));
    if (right - left < 2 * dot || bottom - top < 2 * dot)
        return;
    painter.save();
    painter.setWorldTransform(toDevice.inverted() * painter.worldTransform());
    const QColor color = ToQColor(kTextColor);
    // A dot where the dots' column and row add up to an even number: a
    // checkerboard, so the ring turns its corners without a gap or a pair.
    auto dotAt = [&](int x, int y) {
        if (((x - left) / dot + (y - top) / dot) % 2 == 0)
            painter.fillRect(x, y, dot, dot, color);
    };
    for (int x = left; x + dot <= right; x += dot) {
        dotAt(x, top);
        dotAt(x, bottom - dot);
    }
    for (int y = top; y + dot <= bottom; y += dot) {
        dotAt(left, y);
        dotAt(right - dot, y);
    }
    painter.restore();
}
