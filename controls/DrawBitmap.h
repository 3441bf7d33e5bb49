#pragma once
// Copying a bitmap block into a painter, the one way the skin puts its
// pictures on screen.
#include <QImage>
#include <QPainter>

#include "ScaledBitmap.h"

//! Raster operation of a plain copy: the source replaces what lies beneath.
inline constexpr QPainter::CompositionMode SRCCOPY = QPainter::CompositionMode_Source;

//! Copies the `width` x `height` block at (`srcX`, `srcY`) of `bitmap` one to one
//! to (`x`, `y`) of `dc` with raster operation `rop`; nothing when `dc` or `bitmap`
//! is null. Where the block reaches beyond the bitmap, the destination stays as it was.
void DrawBitmap(QPainter* dc, int x, int y, int width, int height, const QImage& bitmap, int srcX, int srcY,
                QPainter::CompositionMode rop);

//! As above with positions and sizes in units, copying from the picture of
//! `bitmap` that fits the device pixel ratio of the device `dc` paints on.
void DrawBitmap(QPainter* dc, int x, int y, int width, int height, const platform::ScaledBitmap& bitmap, int srcX,
                int srcY, QPainter::CompositionMode rop);
