#pragma once
// The application icon and the pointing-hand cursor, 32-bit with alpha.
#include <QImage>

namespace artwork {

//! The application icon at `side` x `side` pixels (drawn for 16 to 64).
QImage AppIcon(int side);

//! 32 x 32 pointing hand whose fingertip is the top-left pixel (the hot spot),
//! drawn `scale` times as large for displays scaled as much.
QImage HandCursor(int scale = 1);

}  // namespace artwork
