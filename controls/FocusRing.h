#pragma once
// The skin's focus ring: how every control that can hold the focus shows it.
#include <QRect>

class QPainter;

//! Draws a one-pixel dotted ring in the skin's text colour along the inside
//! edge of `rect`, every other pixel set, as the system's focus rectangle is.
void DrawFocusRing(QPainter& painter, const QRect& rect);
