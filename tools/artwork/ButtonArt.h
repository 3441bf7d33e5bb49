#pragma once
// The anti-aliased 24-bit button pictures: the combo box chevrons, the Verify
// check box and the Update picture. Each is painted at `scale` pixels a unit
// (1 or 2), the sizes below being units.
#include <QColor>
#include <QImage>

namespace artwork {

//! 16 x 16 downward chevron in `ink` on white; the combo box copies it
//! without a key colour onto its white interior.
QImage ChevronGlyph(const QColor& ink, int scale = 1);

//! 20 x 19 check box, ticked or empty, on the key colour. Edge pixels are
//! blended with the white panel it stands on, so no pink fringe shows.
QImage CheckBoxImage(bool ticked, int scale = 1);

//! 88 x 40 Update picture: a dark rounded button with the word UPDATE. It is
//! drawn opaque, so its corners carry the white of the panel beneath.
QImage UpdatePicture(int scale = 1);

}  // namespace artwork
