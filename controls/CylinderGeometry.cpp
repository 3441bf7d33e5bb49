#include "CylinderGeometry.h"

#include <cmath>
#include <cstdlib>

namespace {

// Points computed on each side of the bell's focus.
constexpr int kBellPrecision = 16;

float shadeFactor(int kind)
{
    switch (kind) {
    case 0: return 0.7f;
    case 1: return 0.5f;
    case 2: return 0.8f;
    case 3: return 0.4f;
    default: return 1.0f;
    }
}

int shadeChannel(int c, float f)
{
    // The product is taken in single precision first, as the face colours always were.
    const float scaled = static_cast<float>(c) * f;
    return static_cast<int>(static_cast<double>(scaled) * 0.5) + c / 2;
}

int blendChannel(int from, int to, double factor)
{
    return static_cast<int>(std::lround(from + (to - from) * factor));
}

}  // namespace

int CylinderRange(int lower, int upper)
{
    const int range = std::abs(upper - lower);
    return range == 0 ? 1 : range;
}

int ClampProgressPos(int pos, int lower, int upper)
{
    if (pos < lower)
        pos = lower;
    if (pos > upper)
        pos = upper;
    return pos;
}

int ProgressPercent(int pos, int lower, int range)
{
    if (range == 0)
        range = 1;
    const double quotient = 100.0 / range;  // rounded before the product: 0..97 at 97 gives 99
    return static_cast<int>(static_cast<double>(pos - lower) * quotient);
}

int FillLength(int barLength, int percent)
{
    const float fill = static_cast<float>(barLength / 100.0 * percent);
    return static_cast<int>(fill);
}

CylinderLayout ComputeCylinderLayout(int width, int height, bool horizontal, int percent)
{
    CylinderLayout l;
    l.fullRect = QRect(0, 0, width - 1, height - 1);
    l.barRect = horizontal ? QRect(0, 0, width - 1 - kCylinderEndFace, height - 1)
                           : QRect(0, kCylinderEndFace, width - 1, height - 1 - kCylinderEndFace);
    l.barLength = horizontal ? l.barRect.width() : l.barRect.height();
    l.fill = FillLength(l.barLength, percent);

    const int bx = l.barRect.x(), by = l.barRect.y(), bw = l.barRect.width(), bh = l.barRect.height();
    if (horizontal) {
        l.emptyRect = QRect(bx + l.fill, by, bw - l.fill, bh);
        l.filledRect = QRect(bx, by, l.fill, bh);
        l.endFace = QRect(bx + bw, by, kCylinderEndFace, bh);
    } else {
        l.emptyRect = QRect(bx, by, bw, bh - l.fill);
        l.filledRect = QRect(bx, by + bh - l.fill, bw, l.fill);
        l.endFace = QRect(bx, by - kCylinderEndFace, bw, kCylinderEndFace);
    }
    return l;
}

SegmentFaces ComputeSegmentFaces(const QRect& rect, bool horizontal)
{
    const int x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (horizontal)
        return {QRect(x + w, y, kCylinderEndFace, h), QRect(x, y, kCylinderEndFace, h)};
    return {QRect(x, y - kCylinderEndFace, w, kCylinderEndFace), QRect(x, y + h - kCylinderEndFace, w, kCylinderEndFace)};
}

Argb ShadeColor(Argb color, int kind)
{
    const float f = shadeFactor(kind);
    return MakeArgb(ArgbAlpha(color), shadeChannel(ArgbRed(color), f), shadeChannel(ArgbGreen(color), f),
                    shadeChannel(ArgbBlue(color), f));
}

std::vector<std::pair<double, double>> SigmaBellBlend(double focus, double scale)
{
    // Two standard deviations each side: erf over +-2/sqrt(2), shifted to start
    // at 0 and scaled to reach `scale` at the focus.
    const double erfRange = 2.0 / std::sqrt(2.0);
    const double minErf = std::erf(-erfRange);
    const double scaleErf = scale / (-2.0 * minErf);
    auto rising = [&](int i) { return scaleErf * (std::erf(2 * erfRange * i / kBellPrecision - erfRange) - minErf); };
    auto falling = [&](int i) { return scaleErf * (std::erf(erfRange - 2 * erfRange * i / kBellPrecision) - minErf); };

    std::vector<std::pair<double, double>> blend;
    if (focus != 0.0) {
        blend.emplace_back(0.0, 0.0);
        for (int i = 1; i < kBellPrecision; ++i)
            blend.emplace_back(focus * i / kBellPrecision, rising(i));
    }
    blend.emplace_back(focus, scale);
    if (focus != 1.0) {
        for (int i = 1; i < kBellPrecision; ++i)
            blend.emplace_back(focus + (1.0 - focus) * i / kBellPrecision, falling(i));
        blend.emplace_back(1.0, 0.0);
    }
    return blend;
}

std::vector<GlossStop> GlossGradientStops()
{
    std::vector<GlossStop> stops;
    for (const auto& [position, factor] : SigmaBellBlend(kGlossFocus, kGlossScale)) {
        const Argb a = kGlossStartColor, b = kGlossEndColor;
        stops.push_back({position, MakeArgb(blendChannel(ArgbAlpha(a), ArgbAlpha(b), factor),
                                            blendChannel(ArgbRed(a), ArgbRed(b), factor),
                                            blendChannel(ArgbGreen(a), ArgbGreen(b), factor),
                                            blendChannel(ArgbBlue(a), ArgbBlue(b), factor))});
    }
    return stops;
}

QString ProgressLabelText(const QString& caption, int percent)
{
    return caption + QStringLiteral("    ") + QString::number(percent) + QLatin1Char('%');
}
