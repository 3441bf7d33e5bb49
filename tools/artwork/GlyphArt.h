#pragma once
// The small 16-colour glyphs of the skin's buttons, drawn pixel by pixel on
// the key colour RGB(255,0,255), which the buttons leave out when drawing.
// Hard pixels on purpose: an anti-aliased edge would blend into the magenta
// ground and leave a pink fringe once the key colour is removed.
#include <QColor>
#include <QImage>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace artwork {

//! One pixel per character: '.' is the key colour, other characters take
//! their ink from `inks`; a null image when rows differ in length or a
//! character has no ink.
QImage PixelArt(std::initializer_list<std::string_view> rows, std::initializer_list<std::pair<char, QColor>> inks);

// Each glyph has a drawing of its own for `scale` 2 (twice the size, for
// screens of more than one pixel per unit); any other scale gives the 1x one.

//! 9 x 9 minimize bar in `ink`.
QImage MinimizeGlyph(const QColor& ink, int scale = 1);
//! 9 x 9 close cross in `ink`.
QImage CloseGlyph(const QColor& ink, int scale = 1);
//! 16 x 16 open folder, grey (rest) or coloured (active).
QImage FolderGlyph(bool coloured, int scale = 1);
//! 16 x 15 question mark in `ink`.
QImage HelpGlyph(const QColor& ink, int scale = 1);

}  // namespace artwork
