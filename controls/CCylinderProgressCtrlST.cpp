#include "CCylinderProgressCtrlST.h"

#include <QAccessible>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTextOption>
#include <algorithm>
#include <cmath>

#include "CylinderGeometry.h"
#include "QtColor.h"

namespace {

// Face shading kinds: the leading (front) face and the trailing (base) face.
constexpr int kFrontFaceShade = 2;
constexpr int kBaseFaceShade = 3;
constexpr double kInchesPerMeter = 39.3700787;

QPen outlinePen(Argb color)
{
    QPen pen(ToQColor(color));
    pen.setWidthF(1.0);
    return pen;
}

// The body: a convex trailing end and a concave leading end. Arc angles are
// clockwise with y down, so they are negated for QPainterPath.
QPainterPath bodyPath(const SegmentFaces& faces, bool horizontal)
{
    const QRectF front(faces.front), base(faces.base);
    QPainterPath body;
    if (horizontal) {
        body.arcMoveTo(front, -90);
        body.arcTo(front, -90, -180);  // left half, bottom to top
        body.arcTo(base, -270, 180);   // left half, top to bottom
    } else {
        body.arcMoveTo(front, 0);
        body.arcTo(front, 0, -180);  // lower half, right to left
        body.arcTo(base, -180, 180); // lower half, left to right
    }
    body.closeSubpath();
    return body;
}

void fillEllipse(QPainter& graphics, const QRect& box, Argb color)
{
    graphics.setPen(Qt::NoPen);
    graphics.setBrush(ToQColor(color));
    graphics.drawEllipse(QRectF(box));
}

void outlineEllipse(QPainter& graphics, const QRect& box, Argb color)
{
    graphics.setPen(outlinePen(color));
    graphics.setBrush(Qt::NoBrush);
    graphics.drawEllipse(QRectF(box));
}

}  // namespace

CCylinderProgressCtrlST::CCylinderProgressCtrlST(QWidget* parent)
    : QWidget(parent)
{
    m_backgroundColor = ToArgb(ToColorRef(palette().color(QPalette::Button)));
}

CCylinderProgressCtrlST::~CCylinderProgressCtrlST() = default;

void CCylinderProgressCtrlST::PreSubclassWindow(unsigned style)
{
    SetVertical((style & PBS_VERTICAL) != 0, true);
}

void CCylinderProgressCtrlST::SetVertical(bool vertical, bool repaint)
{
    m_vertical = vertical;
    repaintIf(repaint);
}

std::uint32_t CCylinderProgressCtrlST::SetRange(short lower, short upper)
{
    const std::uint32_t previous =
        (std::uint32_t(std::uint16_t(m_lower))) | (std::uint32_t(std::uint16_t(m_upper)) << 16);
    m_lower = lower;
    m_upper = upper;
    m_range = CylinderRange(m_lower, m_upper);
    update();
    return previous;
}

int CCylinderProgressCtrlST::SetPos(int pos)
{
    const int previous = m_pos;
    const int previousPercent = GetPercent();
    m_pos = ClampProgressPos(pos, m_lower, m_upper);
    update();
    if (GetPercent() != previousPercent)
        AnnounceProgress();
    return previous;
}

int CCylinderProgressCtrlST::SetStep(int step)
{
    const int previous = m_step;
    m_step = step;
    return previous;
}

void CCylinderProgressCtrlST::SetFillColor(Argb argb, bool repaint)
{
    m_fillColor = argb;
    repaintIf(repaint);
}

void CCylinderProgressCtrlST::SetEmptyColor(Argb argb, bool repaint)
{
    m_emptyColor = argb;
    repaintIf(repaint);
}

void CCylinderProgressCtrlST::SetShowLabel(bool show, bool repaint)
{
    m_showLabel = show;
    repaintIf(repaint);
}

int CCylinderProgressCtrlST::SetTransparent(bool repaint)
{
    m_transparent = true;
    repaintIf(repaint);
    return 0;
}

void CCylinderProgressCtrlST::SetWindowText(const QString& text)
{
    if (text == m_caption)
        return;
    m_caption = text;
    update();
    AnnounceProgress();
}

void CCylinderProgressCtrlST::AnnounceProgress()
{
    // Only while a screen reader listens: the events cost nothing otherwise.
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent value(this, GetPercent());
    QAccessible::updateAccessibility(&value);
    QAccessibleEvent description(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&description);
}

void CCylinderProgressCtrlST::GetRange(int& lower, int& upper) const
{
    lower = m_lower;
    upper = m_upper;
}

int CCylinderProgressCtrlST::GetPercent() const { return ProgressPercent(m_pos, m_lower, m_range); }

void CCylinderProgressCtrlST::paintEvent(QPaintEvent*)
{
    const int width = this->width(), height = this->height();
    if (width <= 0 || height <= 0)
        return;

    // Composed off-screen and put on the window in one draw, so the bar never
    // flickers; in the device's own pixels (two per pixel on a high-density
    // screen, or when rendered into such an image), so it stays sharp.
    QPainter window(this);
    const qreal ratio = std::max(devicePixelRatioF(), window.deviceTransform().m11());
    QImage image(int(std::ceil(width * ratio)), int(std::ceil(height * ratio)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(int(logicalDpiX() * kInchesPerMeter));
    image.setDotsPerMeterY(int(logicalDpiY() * kInchesPerMeter));
    {
        QPainter graphics(&image);
        graphics.setRenderHint(QPainter::Antialiasing);
        graphics.setRenderHint(QPainter::TextAntialiasing);
        graphics.translate(0.5, 0.5);  // integer coordinates on pixel centres, as the shapes were laid out

        const bool horizontal = !m_vertical;
        const int percent = GetPercent();
        const CylinderLayout layout = ComputeCylinderLayout(width, height, horizontal, percent);

        if (!m_transparent)
            PaintBackground(graphics, layout.fullRect);
        DrawSegment(graphics, layout.emptyRect, horizontal, m_emptyColor, percent == 0, m_drawOutline, false,
                    m_drawOutline);
        if (percent != 0)
            DrawSegment(graphics, layout.filledRect, horizontal, m_fillColor, false, m_drawOutline,
                        m_drawOutline, false);
        // After the filled part, so the far end face is always outlined on top.
        if (m_drawOutline)
            outlineEllipse(graphics, layout.endFace, m_outlineColor);
        PaintLabel(graphics, percent, layout.fullRect, layout.emptyRect, layout.filledRect, horizontal);
    }
    window.drawImage(0, 0, image);
}

void CCylinderProgressCtrlST::PaintBackground(QPainter& graphics, const QRect&)
{
    // Clears the whole image, as the full rectangle is one pixel short on each far edge.
    graphics.save();
    graphics.resetTransform();
    graphics.setCompositionMode(QPainter::CompositionMode_Source);
    graphics.fillRect(rect(), ToQColor(m_backgroundColor));
    graphics.restore();
}

void CCylinderProgressCtrlST::PaintLabel(QPainter& graphics, int percent, const QRect& fullRect, const QRect&,
                                         const QRect&, bool)
{
    if (!m_showLabel)
        return;
    const QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;  // no parent font, no label

    // The parent's face and size at regular weight; bold and italic are not kept.
    const QFont parentFont = parent->font();
    QFont font(parentFont.family());
    font.setStyleHint(QFont::SansSerif);
    if (parentFont.pointSizeF() > 0)
        font.setPointSizeF(parentFont.pointSizeF());
    else
        font.setPixelSize(parentFont.pixelSize());
    font.setWeight(QFont::Normal);
    font.setItalic(false);

    // Centred, wrapped at word breaks (inside a word when one alone is too long)
    // and cut at the rectangle's edges.
    QTextOption layout(Qt::AlignCenter);
    layout.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    graphics.save();
    graphics.setClipRect(fullRect);
    graphics.setFont(font);
    graphics.setPen(ToQColor(kTextColor));
    graphics.drawText(QRectF(fullRect), ProgressLabelText(m_caption, percent), layout);
    graphics.restore();
}

void CCylinderProgressCtrlST::repaintIf(bool repaint)
{
    if (repaint)
        update();
}

void CCylinderProgressCtrlST::DrawSegment(QPainter& graphics, const QRect& rect, bool horizontal, Argb color,
                                          bool drawBase, bool outlineBody, bool outlineFront,
                                          bool outlineBase) const
{
    const SegmentFaces faces = ComputeSegmentFaces(rect, horizontal);
    const QPainterPath body = bodyPath(faces, horizontal);

    graphics.fillPath(body, ToQColor(color));
    DrawGloss(graphics, rect, body, horizontal);
    if (outlineBody)
        graphics.strokePath(body, outlinePen(m_outlineColor));
    if (drawBase) {
        fillEllipse(graphics, faces.base, ShadeColor(color, kBaseFaceShade));
        if (outlineBase)
            outlineEllipse(graphics, faces.base, m_outlineColor);
    }
    fillEllipse(graphics, faces.front, ShadeColor(color, kFrontFaceShade));
    if (outlineFront)
        outlineEllipse(graphics, faces.front, m_outlineColor);
}

void CCylinderProgressCtrlST::DrawGloss(QPainter& graphics, const QRect& rect, const QPainterPath& body,
                                        bool horizontal) const
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    // Horizontal: from the bottom edge up; vertical: from the right edge to the left.
    QLinearGradient gloss = horizontal
                                ? QLinearGradient(rect.x(), rect.y() + rect.height(), rect.x(), rect.y())
                                : QLinearGradient(rect.x() + rect.width(), rect.y(), rect.x(), rect.y());
    gloss.setSpread(QGradient::RepeatSpread);
    for (const GlossStop& stop : GlossGradientStops())
        gloss.setColorAt(stop.position, ToQColor(stop.color));
    graphics.fillPath(body, gloss);
}
