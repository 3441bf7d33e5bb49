#include "PictureSet.h"

#include "ArtPalette.h"
#include "ButtonArt.h"
#include "GlyphArt.h"
#include "SkinArt.h"

namespace artwork {

std::vector<Picture> AllBitmaps(int scale)
{
    // The buttons take (active, rest) pairs: the green glyph shows under the mouse.
    return {
        {130, MinimizeGlyph(kDarkBlue, scale), 4},
        {131, MinimizeGlyph(kHoverColour, scale), 4},
        {132, CloseGlyph(kHoverColour, scale), 4},
        {133, CloseGlyph(kDarkBlue, scale), 4},
        {134, ChevronGlyph(kChevronGrey, scale), 24},
        {135, ChevronGlyph(kHoverColour, scale), 24},
        {136, CheckBoxImage(true, scale), 24},
        {137, CheckBoxImage(false, scale), 24},
        {139, FolderGlyph(false, scale), 4},
        {140, FolderGlyph(true, scale), 4},
        {145, HelpGlyph(kDarkBlue, scale), 4},
        {146, HelpGlyph(kHoverColour, scale), 4},
        {149, Skin(scale), 24},
        {150, UpdatePicture(scale), 24},
    };
}

}  // namespace artwork
