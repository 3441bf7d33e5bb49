#pragma once
// Geometry of the flat bitmap button and its skinned face: where the image
// goes, where the caption block goes, and the outline of the rounded frame.
#include <array>

#include "PathPiece.h"
#include "WinRect.h"

//! Image alignments of the button: left of, above and right of the caption.
enum ImageAlignment : int { kImageLeft = 0, kImageAbove = 1, kImageRight = 2 };

//! Where PlaceImage puts the image, and the caption rectangle it leaves.
struct ImagePlacement {
    WinRect image;
    WinRect caption;
};

//! Image rectangle (its top-left corner is where the image is drawn) for an
//! image of w x h in the item rectangle; with a caption the caption rectangle
//! makes room for it. `clientRight` is the right edge of the client area,
//! `pressOffset` moves the image by (1, 1) for a pressed push button.
ImagePlacement PlaceImage(int alignment, bool hasCaption, const WinRect& item, const WinRect& caption,
                          int clientRight, bool pressOffset, int w, int h);

//! The rectangle of a tw x th text block centred in `r` (halvings truncate).
WinRect CentreTextBlock(const WinRect& r, int tw, int th);

//! Outline of the rounded frame with corner radius r on (x, y, w, h):
//! four lines and four quarter arcs, clockwise from the top edge.
std::array<PathPiece, 8> RoundedFramePieces(int x, int y, int w, int h, int r);
