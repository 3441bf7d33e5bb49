#include "DrawBitmap.h"

#include <QPaintDevice>

namespace {

qreal deviceRatioOf(const QPainter& dc) { return dc.device() != nullptr ? dc.device()->devicePixelRatioF() : 1.0; }

QRectF timesRatio(const QRect& units, qreal ratio)
{
    return {units.x() * ratio, units.y() * ratio, units.width() * ratio, units.height() * ratio};
}

}  // namespace

void DrawBitmap(QPainter* dc, int x, int y, int width, int height, const QImage& bitmap, int srcX, int srcY,
                QPainter::CompositionMode rop)
{
    if (dc == nullptr || !dc->isActive() || bitmap.isNull())
        return;
    const QRect source = QRect(srcX, srcY, width, height).intersected(bitmap.rect());
    if (source.isEmpty())
        return;
    const QPainter::CompositionMode previous = dc->compositionMode();
    dc->setCompositionMode(rop);
    dc->drawImage(QPoint(x + source.x() - srcX, y + source.y() - srcY), bitmap, source);
    dc->setCompositionMode(previous);
}

void DrawBitmap(QPainter* dc, int x, int y, int width, int height, const platform::ScaledBitmap& bitmap, int srcX,
                int srcY, QPainter::CompositionMode rop)
{
    if (dc == nullptr || !dc->isActive() || bitmap.IsNull())
        return;
    const QImage& picture = bitmap.ForRatio(deviceRatioOf(*dc));
    const qreal ratio = picture.devicePixelRatio();
    if (ratio == 1.0) {
        DrawBitmap(dc, x, y, width, height, picture, srcX, srcY, rop);
        return;
    }
    const QRect units = QRect(srcX, srcY, width, height).intersected(QRect(QPoint(0, 0), bitmap.Size()));
    if (units.isEmpty())
        return;
    const QRectF target(x + units.x() - srcX, y + units.y() - srcY, units.width(), units.height());
    const QPainter::CompositionMode previous = dc->compositionMode();
    dc->setCompositionMode(rop);
    dc->drawImage(target, picture, timesRatio(units, ratio));
    dc->setCompositionMode(previous);
}
