#include "GroupboxLayout.h"

#include <algorithm>

int GroupboxCaptionWidth(int textWidth, int W, int m) { return std::min(textWidth, W - 2 * m); }

int GroupboxCaptionX(int alignment, int W, int m, int tw)
{
    switch (alignment) {
    case 1:
        return m + (W - 2 * m - tw) / 2;
    case 2:
        return W - m - tw;
    default:
        return m;
    }
}

std::array<PathPiece, 9> GroupboxFramePieces(int W, int H, int m, int lw, int x, int tw, int th)
{
    const int yT = th / 2;
    const int yB = H - lw - th + th / 2;
    const int xR = W - lw;
    const int d = 2 * m;
    return {
        PathPiece::Line(m, yT, x, yT),
        PathPiece::Line(x + tw, yT, xR - m, yT),
        PathPiece::Arc(xR - d, yT, d, d, 270, 90),
        PathPiece::Line(xR, yT + m, xR, yB - m),
        PathPiece::Arc(xR - d, yB - d, d, d, 0, 90),
        PathPiece::Line(xR - m, yB, m, yB),
        PathPiece::Arc(0, yB - d, d, d, 90, 90),
        PathPiece::Line(0, yT + m, 0, yB - m),
        PathPiece::Arc(0, yT, d, d, 180, 90),
    };
}
