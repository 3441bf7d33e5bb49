#pragma once
// A rectangle with exclusive right and bottom edges, as the button layout
// maths is written; QRect converts to and from it.
#include <QRect>

//! Left, top, right, bottom; right and bottom lie just outside.
struct WinRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    //! Moves the rectangle by (dx, dy).
    constexpr void Offset(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }

    friend constexpr bool operator==(const WinRect&, const WinRect&) = default;
};

//! The same area as a QRect.
inline QRect ToQRect(const WinRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
//! The same area as a WinRect.
inline WinRect ToWinRect(const QRect& r) { return WinRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
