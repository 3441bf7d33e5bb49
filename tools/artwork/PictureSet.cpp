#include "PictureSet.h"

#include "ArtPalette.h"
#include "ButtonArt.h"
#include "GlyphArt.h"
#include "SkinArt.h"

namespace artwork {

std::vector<Picture> AllBitmaps()
{
    // The buttons take (active, rest) pairs: the green glyph shows under the mouse.
    return {
        {130, MinimizeGlyph(kDarkBlue), 4},
        {131, MinimizeGlyph(kHoverColour), 4},
        {132, CloseGlyph(kHoverColour), 4},
        {133, CloseGlyph(kDarkBlue), 4},
        {134, ChevronGlyph(kChevronGrey), 24},
        {135, ChevronGlyph(kHoverColour), 24},
        {136, CheckBoxImage(true), 24},
        {137, CheckBoxImage(false), 24},
        {139, FolderGlyph(false), 4},
        {140, FolderGlyph(true), 4},
        {145, HelpGlyph(kDarkBlue), 4},
        {146, HelpGlyph(kHoverColour), 4},
        {149, Skin(), 24},
        {150, UpdatePicture(), 24},
    };
}

}  // namespace artwork
