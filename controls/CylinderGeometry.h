#pragma once
// Pure geometry and colour maths of the cylinder progress bar: no drawing,
// so every number the bar paints with can be checked directly.
#include <QRect>
#include <QString>
#include <vector>

#include "ColorTypes.h"

//! Room the cylinder's end face takes at the leading end of the bar.
inline constexpr int kCylinderEndFace = 10;

//! Absolute difference of the bounds; 1 when they are equal, so no division by zero.
int CylinderRange(int lower, int upper);

//! `pos` raised to `lower`, then lowered to `upper`.
int ClampProgressPos(int pos, int lower, int upper);

//! (pos - lower) times the quotient 100 / range (quotient first), truncated.
int ProgressPercent(int pos, int lower, int range);

//! Filled length of a bar `barLength` long at `percent`, as the paint computes it.
int FillLength(int barLength, int percent);

//! Everything one paint of the bar needs, in x, y, width, height rectangles.
struct CylinderLayout {
    QRect fullRect;
    QRect barRect;
    int barLength = 0;
    int fill = 0;
    QRect emptyRect;
    QRect filledRect;
    QRect endFace;
};

//! Lays the bar out in a client area of `width` x `height` at `percent`.
CylinderLayout ComputeCylinderLayout(int width, int height, bool horizontal, int percent);

//! The two ellipse boxes of one segment: the leading (front) and the trailing (base) face.
struct SegmentFaces {
    QRect front;
    QRect base;
};

//! Face boxes of the segment `rect`.
SegmentFaces ComputeSegmentFaces(const QRect& rect, bool horizontal);

//! A face colour: each channel c becomes trunc(c * f * 0.5) + c / 2, f chosen by `kind`.
Argb ShadeColor(Argb color, int kind);

//! One stop of the gloss gradient: position 0..1 from the gradient start, and colour.
struct GlossStop {
    double position = 0.0;
    Argb color{};
};

//! Start and end colours of the gloss band (translucent grey and white).
inline constexpr Argb kGlossStartColor = Argb{0x64808080};
inline constexpr Argb kGlossEndColor = Argb{0x64FFFFFF};
//! Where along the gradient the gloss is brightest, and how bright.
inline constexpr double kGlossFocus = 0.7;
inline constexpr double kGlossScale = 1.0;

//! Blend factors of a bell-shaped blend (two standard deviations of a normal
//! curve each side of `focus`, 0 at the ends, `scale` at the focus).
std::vector<std::pair<double, double>> SigmaBellBlend(double focus, double scale);

//! The gloss gradient's stops: the bell blend applied between start and end colour.
std::vector<GlossStop> GlossGradientStops();

//! "caption    NN%": the caption, four spaces, the percentage and a percent sign.
QString ProgressLabelText(const QString& caption, int percent);
