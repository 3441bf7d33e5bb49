#include "IconArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include "ArtPalette.h"
#include "SkinLayout.h"

namespace artwork {
namespace {

constexpr double kIconUnits = 32.0;  // the icon is designed on a 32-unit grid
constexpr int kSmallIconLimit = 20;  // below this the keyboard stripe is left out

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void drawIconGround(QPainter& p)
{
    QLinearGradient ground(0, 0, 0, kIconUnits);
    ground.setColorAt(0, QColor(86, 146, 240));
    ground.setColorAt(1, kTextColour);
    p.setPen(QPen(QColor(10, 38, 92), 1.0));
    p.setBrush(ground);
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6, 6);
}

void drawUpArrow(QPainter& p, double tipY, double baseY)
{
    QPainterPath arrow;
    arrow.moveTo(16, tipY);
    arrow.lineTo(25, tipY + 9);
    arrow.lineTo(19.5, tipY + 9);
    arrow.lineTo(19.5, baseY);
    arrow.lineTo(12.5, baseY);
    arrow.lineTo(12.5, tipY + 9);
    arrow.lineTo(7, tipY + 9);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(arrow);
}

// A short octave of keys along the bottom of the large icon.
void drawKeyboard(QPainter& p)
{
    const QRectF keys(5, 21, 22, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(keys, 1.2, 1.2);
    p.setPen(QPen(kTextColour, 0.8));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(keys.left() + i * 5.5, keys.top()), QPointF(keys.left() + i * 5.5, keys.bottom()));
    p.setPen(Qt::NoPen);
    p.setBrush(kTextColour);
    for (const double x : {8.5, 14.0, 19.5})
        p.drawRect(QRectF(x + 0.5, keys.top(), 3, 4));
}

// The hand drawn upright, index finger up; the fingertip's round end is the
// circle about (2.5, 2.5).
constexpr QPointF kFingertipCentre(2.5, 2.5);

QPainterPath roundedBox(const QRectF& box, double radius)
{
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

QPainterPath uprightHand()
{
    QPainterPath thumb;
    thumb.moveTo(0.5, 23);
    thumb.lineTo(-4.6, 16.2);
    thumb.cubicTo(-6.2, 13.8, -3.4, 11.6, -1.8, 13.6);
    thumb.lineTo(1, 17);
    thumb.closeSubpath();

    QPainterPath hand = roundedBox(QRectF(0, 0, 5, 17), 2.5);     // index finger
    hand = hand.united(roundedBox(QRectF(4.6, 8, 4.8, 9), 2.3));   // middle finger
    hand = hand.united(roundedBox(QRectF(9.2, 9.5, 4.6, 9), 2.3)); // ring finger
    hand = hand.united(roundedBox(QRectF(13.6, 11, 4.2, 8), 2.1)); // little finger
    hand = hand.united(roundedBox(QRectF(0, 14, 17.8, 11), 3.5));  // palm
    return hand.united(thumb);
}

// Short creases where the fingers part above the palm.
QPainterPath fingerCreases()
{
    QPainterPath creases;
    creases.moveTo(5, 10.5);
    creases.lineTo(5, 15.5);
    creases.moveTo(9.3, 12);
    creases.lineTo(9.3, 16);
    creases.moveTo(13.7, 13.5);
    creases.lineTo(13.7, 16.5);
    return creases;
}

}  // namespace

QImage AppIcon(int side)
{
    QImage image = transparentImage(side, side);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / kIconUnits, side / kIconUnits);
    drawIconGround(p);
    if (side < kSmallIconLimit) {
        drawUpArrow(p, 4, 27);
    } else {
        drawUpArrow(p, 3.5, 18.5);
        drawKeyboard(p);
    }
    return image;
}

QImage HandCursor(int scale)
{
    const int side = layout::kCursorSide * scale;
    // Tilted so the finger points to the top-left corner, with the round
    // fingertip touching the hot spot (0, 0).
    QTransform place;
    place.rotate(-30);
    const QPointF centre = place.map(kFingertipCentre);
    place = place * QTransform::fromTranslate(3.0 - centre.x(), 3.0 - centre.y());

    QImage image = transparentImage(side, side);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(place * QTransform::fromScale(scale, scale));
    p.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(uprightHand());
    p.setBrush(Qt::NoBrush);
    p.drawPath(fingerCreases());
    return image;
}

}  // namespace artwork
