#pragma once
// Geometry of the group box: caption position and the frame of lines and
// corner arcs whose top edge is interrupted by the caption.
#include <array>

#include "PathPiece.h"

//! Caption width: the text width, but at most W - 2m.
int GroupboxCaptionWidth(int textWidth, int W, int m);

//! Caption x for alignment 0 (left), 1 (centre) or 2 (right); other values
//! are taken as left.
int GroupboxCaptionX(int alignment, int W, int m, int tw);

//! The frame in drawing order: top edge left and right of the caption at x
//! (width tw), the corner arcs and the edges, for a W x H box with corner
//! radius m, pen width lw and caption height th.
std::array<PathPiece, 9> GroupboxFramePieces(int W, int H, int m, int lw, int x, int tw, int th);
