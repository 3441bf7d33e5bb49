#include "ButtonArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ArtPalette.h"
#include "SkinLayout.h"

namespace artwork {
namespace {

// An image of `size` units at `scale` pixels a unit, which painters draw on in units.
QImage filledImage(QSize size, int scale, const QColor& ground)
{
    QImage image(size * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(ground);
    return image;
}

QPainterPath tickPath()
{
    QPainterPath tick;
    tick.moveTo(5.5, 9.0);
    tick.lineTo(8.7, 12.4);
    tick.lineTo(15.0, 4.6);
    return tick;
}

const QRectF kBoxRect(2.5, 1.5, 15.0, 15.0);
constexpr double kBoxRadius = 3.0;
constexpr double kTickWidth = 2.3;

// Pixels the box or its tick touch at all keep their colour; the rest
// become the key colour.
void keyOutside(QImage& image, const QPainterPath& shape)
{
    QImage coverage(image.size(), QImage::Format_ARGB32);
    coverage.setDevicePixelRatio(image.devicePixelRatio());
    coverage.fill(Qt::transparent);
    {
        QPainter p(&coverage);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(shape, Qt::black);
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(coverage.pixel(x, y)) == 0)
                image.setPixelColor(x, y, kKeyColour);
}

}  // namespace

QImage ChevronGlyph(const QColor& ink, int scale)
{
    QImage image = filledImage(layout::kChevronSize, scale, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath chevron;
    chevron.moveTo(3.8, 6.0);
    chevron.lineTo(8.0, 10.2);
    chevron.lineTo(12.2, 6.0);
    p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);
    return image;
}

QImage CheckBoxImage(bool ticked, int scale)
{
    QImage image = filledImage(layout::kCheckBoxSize, scale, kPanelColour);
    QPainterPath box;
    box.addRoundedRect(kBoxRect, kBoxRadius, kBoxRadius);
    QPainterPath shape = box;
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient face(0, kBoxRect.top(), 0, kBoxRect.bottom());
        face.setColorAt(0, Qt::white);
        face.setColorAt(1, QColor(226, 236, 252));
        p.setPen(QPen(kHighlightColour, 1.0));
        p.setBrush(face);
        p.drawPath(box);
        if (ticked) {
            const QPen tickPen(kTextColour, kTickWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            p.setPen(tickPen);
            p.setBrush(Qt::NoBrush);
            p.drawPath(tickPath());
            QPainterPathStroker stroker(tickPen);
            shape = shape.united(stroker.createStroke(tickPath()));
        }
    }
    // The stroke of the frame reaches half a pixel beyond the box path.
    QPainterPathStroker frame(QPen(Qt::black, 1.0));
    keyOutside(image, shape.united(frame.createStroke(box)));
    return image;
}

QImage UpdatePicture(int scale)
{
    QImage image = filledImage(layout::kUpdatePictureSize, scale, kPanelColour);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF body = QRectF(QPointF(0, 0), layout::kUpdatePictureSize).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient face(0, 0, 0, body.bottom());
    face.setColorAt(0, QColor(52, 92, 158));
    face.setColorAt(0.5, QColor(26, 58, 118));
    face.setColorAt(1, QColor(12, 34, 80));
    p.setPen(QPen(QColor(8, 26, 64), 1.0));
    p.setBrush(face);
    p.drawRoundedRect(body, 9, 9);

    // A soft sheen along the upper half.
    QLinearGradient sheen(0, 1, 0, 19);
    sheen.setColorAt(0, QColor(255, 255, 255, 70));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawRoundedRect(body.adjusted(1.5, 1.5, -1.5, -19), 8, 8);

    QFont font(kFontFamily);
    font.setPixelSize(15);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setFont(font);
    const QRectF text = QRectF(QPointF(0, 0), layout::kUpdatePictureSize).adjusted(1, 0, 0, 0);
    p.setPen(QColor(0, 0, 0, 110));
    p.drawText(text.translated(0, 1), Qt::AlignCenter, QStringLiteral("UPDATE"));
    p.setPen(Qt::white);
    p.drawText(text, Qt::AlignCenter, QStringLiteral("UPDATE"));
    return image;
}

}  // namespace artwork
