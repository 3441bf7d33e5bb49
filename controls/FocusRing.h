#pragma once
// The skin's focus ring: how every control that can hold the focus shows it.
// A window shows the focus only once the user has moved it with the keyboard
// (and from then on until it closes): mouse users see no ring.
#include <QRect>

class QPainter;
class QWidget;

//! From now on `window` shows which of its controls has the focus.
void ShowFocusCues(QWidget& window);

//! When the window of `control` shows the focus, draws a dotted ring in the
//! skin's text colour along the inside edge of `rect`: one unit wide in whole
//! device pixels, every other dot set, as the system's focus rectangle is.
void DrawFocusRing(QPainter& painter, const QWidget& control, const QRect& rect);
