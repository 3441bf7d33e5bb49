#include "DrawBitmap.h"

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
