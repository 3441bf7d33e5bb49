#pragma once
// Colours and the font shared by all the artwork.
#include <QColor>
#include <QString>

namespace artwork {

const QColor kKeyColour(255, 0, 255);        // left out when buttons draw their bitmaps
const QColor kTextColour(21, 66, 139);       // the skin's text colour
const QColor kHighlightColour(123, 171, 255);  // the skin's highlight colour
const QColor kHoverColour(0, 128, 0);        // glyphs under the mouse
const QColor kDarkBlue(0, 0, 128);           // glyphs at rest
const QColor kChevronGrey(192, 192, 192);
const QColor kPanelColour(255, 255, 255);     // the step panels the controls stand on
const QColor kFrameColour(0, 81, 149);       // the window draws its own 2-pixel frame in this
const QString kFontFamily = QStringLiteral("Liberation Sans");

}  // namespace artwork
