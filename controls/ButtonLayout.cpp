#include "ButtonLayout.h"

namespace {

// Every halving truncates toward zero, so an image larger than the button
// gets a negative offset and overhangs both sides.
void centreAcross(WinRect& r, int w) { r.left = r.left + (r.right - r.left - w) / 2; }
void centreDown(WinRect& r, int h) { r.top = r.top + (r.bottom - r.top - h) / 2; }

// Gap between the image and the button's edge or the caption, in pixels.
constexpr int kImageMargin = 3;

}  // namespace

ImagePlacement PlaceImage(int alignment, bool hasCaption, const WinRect& item, const WinRect& caption,
                          int clientRight, bool pressOffset, int w, int h)
{
    ImagePlacement out{item, caption};
    WinRect& r = out.image;
    WinRect& c = out.caption;
    if (!hasCaption) {
        centreAcross(r, w);
        if (alignment != kImageRight)  // an image right of no caption stays at the top
            centreDown(r, h);
    } else if (alignment == kImageLeft) {
        r.left += kImageMargin;
        c.left += w + kImageMargin;
        centreDown(r, h);
    } else if (alignment == kImageAbove) {
        centreAcross(r, w);
        r.top = kImageMargin;
        c.top += h;
    } else {
        c = WinRect{kImageMargin, c.top, c.right - c.left - w - kImageMargin, c.bottom};
        r.left = clientRight - w - kImageMargin;
        centreDown(r, h);
    }
    if (pressOffset)
        r.Offset(1, 1);
    return out;
}

WinRect CentreTextBlock(const WinRect& r, int tw, int th)
{
    const int left = r.left + (r.Width() - tw) / 2;
    const int top = r.top + (r.Height() - th) / 2;
    return WinRect{left, top, left + tw, top + th};
}

std::array<PathPiece, 8> RoundedFramePieces(int x, int y, int w, int h, int r)
{
    const int d = 2 * r;
    return {
        PathPiece::Line(x + r, y, x + w - r, y),
        PathPiece::Arc(x + w - d, y, d, d, 270, 90),
        PathPiece::Line(x + w, y + r, x + w, y + h - r),
        PathPiece::Arc(x + w - d, y + h - d, d, d, 0, 90),
        PathPiece::Line(x + w - r, y + h, x + r, y + h),
        PathPiece::Arc(x, y + h - d, d, d, 90, 90),
        PathPiece::Line(x, y + h - r, x, y + r),
        PathPiece::Arc(x, y, d, d, 180, 90),
    };
}
