#pragma once
// Previews for checking the artwork by eye: a contact sheet of every picture
// (small glyphs also enlarged) and the skin with stand-in controls at their
// template places.
#include <QImage>
#include <vector>

#include "PictureSet.h"

namespace artwork {

//! Every bitmap at 1:1 with its number, the small ones also enlarged, plus
//! the icon images and the cursor, on a checkered ground.
QImage ContactSheet(const std::vector<Picture>& bitmaps, const std::vector<QImage>& icons, const QImage& cursor);

//! The skin inside the window frame with stand-in controls; `running` shows
//! the progress band in place of the Update picture and the Verify box.
QImage MockWindow(const std::vector<Picture>& bitmaps, bool running);

}  // namespace artwork
