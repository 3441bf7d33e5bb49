#pragma once
// Turns PathPiece outlines into QPainter drawing. Qt counts angles
// counter-clockwise, so the pieces' clockwise angles are negated here.
#include <span>

#include <QPainterPath>

#include "PathPiece.h"

class QPainter;

//! One closed figure through all pieces in order; consecutive pieces are
//! joined by straight lines, as a path of lines and arcs is.
QPainterPath ToClosedPath(std::span<const PathPiece> pieces);

//! Draws one piece on its own (not joined to any other).
void DrawPiece(QPainter& painter, const PathPiece& piece);

//! Makes the painter place integer coordinates on pixel centres, as the
//! anti-aliased drawing the skin was designed with does.
void UsePixelCentres(QPainter& painter);
