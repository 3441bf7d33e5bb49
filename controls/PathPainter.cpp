#include "PathPainter.h"

#include <QPainter>

namespace {
QRectF boxOf(const PathPiece& p) { return QRectF(p.left, p.top, p.width, p.height); }
}  // namespace

QPainterPath ToClosedPath(std::span<const PathPiece> pieces)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    bool first = true;
    for (const PathPiece& p : pieces) {
        if (p.kind == PathPiece::Kind::Line) {
            if (first)
                path.moveTo(p.x1, p.y1);
            else
                path.lineTo(p.x1, p.y1);
            path.lineTo(p.x2, p.y2);
        } else {
            if (first)
                path.arcMoveTo(boxOf(p), -p.startAngle);
            path.arcTo(boxOf(p), -p.startAngle, -p.sweepAngle);
        }
        first = false;
    }
    path.closeSubpath();
    return path;
}

void DrawPiece(QPainter& painter, const PathPiece& piece)
{
    if (piece.kind == PathPiece::Kind::Line) {
        painter.drawLine(QLineF(piece.x1, piece.y1, piece.x2, piece.y2));
        return;
    }
    // QPainter takes arc angles in sixteenths of a degree.
    painter.drawArc(boxOf(piece), -piece.startAngle * 16, -piece.sweepAngle * 16);
}

void UsePixelCentres(QPainter& painter) { painter.translate(0.5, 0.5); }
