#pragma once
// Conversions from the skin's colour forms to Qt's.
#include <QColor>

#include "ColorTypes.h"

inline QColor ToQColor(ColorRef c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline QColor ToQColor(Argb c) { return QColor(ArgbRed(c), ArgbGreen(c), ArgbBlue(c), ArgbAlpha(c)); }
inline ColorRef ToColorRef(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }
