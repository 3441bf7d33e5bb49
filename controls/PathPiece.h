#pragma once
// One piece of an outline made of straight lines and elliptic arcs, in the
// angle convention of the skin's anti-aliased drawing: degrees, clockwise from
// the positive x axis, y pointing down.

//! A straight line from (x1, y1) to (x2, y2), or an arc of the ellipse that
//! fills the box (left, top, width, height) from startAngle over sweepAngle.
struct PathPiece {
    enum class Kind { Line, Arc };

    Kind kind = Kind::Line;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int startAngle = 0;
    int sweepAngle = 0;

    //! A line piece.
    static constexpr PathPiece Line(int x1, int y1, int x2, int y2)
    {
        PathPiece p;
        p.x1 = x1;
        p.y1 = y1;
        p.x2 = x2;
        p.y2 = y2;
        return p;
    }

    //! An arc piece.
    static constexpr PathPiece Arc(int left, int top, int width, int height, int startAngle, int sweepAngle)
    {
        PathPiece p;
        p.kind = Kind::Arc;
        p.left = left;
        p.top = top;
        p.width = width;
        p.height = height;
        p.startAngle = startAngle;
        p.sweepAngle = sweepAngle;
        return p;
    }

    friend constexpr bool operator==(const PathPiece&, const PathPiece&) = default;
};
