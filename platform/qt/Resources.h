#pragma once
// The executable's resources, looked up by number as the skin refers to them:
// bitmaps (130-137, 139, 140, 145, 146, 149, 150), icon 128, cursor 151 and
// the string table (102-109). They are compiled into the executable through
// Qt's resource system (resources/resources.qrc). Every bitmap also comes at
// twice its size, drawn for screens of more than one pixel a unit.
#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace platform {

//! Bitmap resource `id` at `scale` (1, or 2 for its twice-as-large partner,
//! whose device pixel ratio is 2); a null image when there is none.
QImage LoadBitmapResource(int id, int scale = 1);
//! Icon resource `id` with all its sizes; a null icon when there is none.
QIcon LoadIconResource(int id);
//! Cursor resource `id` with its hot spot; `ok` tells whether it was found.
//! Of the sizes the file holds, the smallest that is at least `scale` times
//! the first is taken (the largest when none is), with the device pixel ratio
//! that keeps it the first one's size on the screen.
QCursor LoadCursorResource(int id, bool* ok = nullptr, qreal scale = 1);
//! String `id` of the string table; empty when there is none.
QString LoadStringResource(int id);

//! A copy of `image` in which pixels of the key colour RGB(255,0,255) are
//! fully transparent, so drawing it leaves whatever lies beneath visible there.
QImage WithKeyColorTransparent(const QImage& image);

}  // namespace platform
