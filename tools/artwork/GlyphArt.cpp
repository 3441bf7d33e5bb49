#include "GlyphArt.h"

#include <QHash>

#include "ArtPalette.h"

namespace artwork {

QImage PixelArt(std::initializer_list<std::string_view> rows, std::initializer_list<std::pair<char, QColor>> inks)
{
    if (rows.size() == 0)
        return {};
    const int width = int(rows.begin()->size());
    QHash<char, QColor> inkOf;
    inkOf.insert('.', kKeyColour);
    for (const auto& [symbol, colour] : inks)
        inkOf.insert(symbol, colour);

    QImage image(width, int(rows.size()), QImage::Format_RGB32);
    int y = 0;
    for (const std::string_view row : rows) {
        if (int(row.size()) != width)
            return {};
        for (int x = 0; x < width; ++x) {
            const auto ink = inkOf.constFind(row[std::size_t(x)]);
            if (ink == inkOf.constEnd())
                return {};
            image.setPixelColor(x, y, *ink);
        }
        ++y;
    }
    return image;
}

QImage MinimizeGlyph(const QColor& ink, int scale)
{
    // The bar sits on the baseline of the close cross beside it.
    if (scale == 2)
        return PixelArt({"..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         "..................",
                         ".xxxxxxxxxxxxxxxx.",
                         "xxxxxxxxxxxxxxxxxx",
                         "xxxxxxxxxxxxxxxxxx",
                         ".xxxxxxxxxxxxxxxx."},
                        {{'x', ink}});
    return PixelArt({".........",
                     ".........",
                     ".........",
                     ".........",
                     ".........",
                     ".........",
                     ".........",
                     "xxxxxxxxx",
                     "xxxxxxxxx"},
                    {{'x', ink}});
}

QImage CloseGlyph(const QColor& ink, int scale)
{
    // At 2x the arms are 2.5 units wide against 3 at 1x: the finer grid carries
    // the diagonal without the 1x drawing's extra pixel of stair.
    if (scale == 2)
        return PixelArt({".xx............xx.",
                         "xxxx..........xxxx",
                         "xxxxx........xxxxx",
                         ".xxxxx......xxxxx.",
                         "..xxxxx....xxxxx..",
                         "...xxxxx..xxxxx...",
                         "....xxxxxxxxxx....",
                         ".....xxxxxxxx.....",
                         "......xxxxxx......",
                         "......xxxxxx......",
                         ".....xxxxxxxx.....",
                         "....xxxxxxxxxx....",
                         "...xxxxx..xxxxx...",
                         "..xxxxx....xxxxx..",
                         ".xxxxx......xxxxx.",
                         "xxxxx........xxxxx",
                         "xxxx..........xxxx",
                         ".xx............xx."},
                        {{'x', ink}});
    return PixelArt({"xx.....xx",
                     "xxx...xxx",
                     ".xxx.xxx.",
                     "..xxxxx..",
                     "...xxx...",
                     "..xxxxx..",
                     ".xxx.xxx.",
                     "xxx...xxx",
                     "xx.....xx"},
                    {{'x', ink}});
}

QImage FolderGlyph(bool coloured, int scale)
{
    // o outline, h lit inner edge, b back of the folder, p a sheet of paper, f front flap
    const QColor outline = coloured ? QColor(140, 92, 0) : QColor(96, 96, 96);
    const QColor lit = coloured ? QColor(255, 244, 190) : QColor(240, 240, 240);
    const QColor back = coloured ? QColor(232, 176, 48) : QColor(176, 176, 176);
    const QColor paper(255, 255, 255);
    const QColor flap = coloured ? QColor(255, 212, 84) : QColor(208, 208, 208);
    const std::initializer_list<std::pair<char, QColor>> inks = {
        {'o', outline}, {'h', lit}, {'b', back}, {'p', paper}, {'f', flap}};
    // At 2x the front flap's slanted sides step one pixel a row, not two.
    if (scale == 2)
        return PixelArt({"................................",
                         "................................",
                         "................................",
                         "................................",
                         "................................",
                         "................................",
                         "....oooooooo....................",
                         "....oooooooo....................",
                         "..oohhhhhhhhoo..................",
                         "..oohhhhhhhhoo..................",
                         "..oohhbbbbbbbboooooooooooo......",
                         "..oohhbbbbbbbboooooooooooo......",
                         "..oohhbbppppppppppppppbbbboo....",
                         "..oohhbbppppppppppppppbbbboo....",
                         "..oohhbbppppppppppppppbbbboo....",
                         "..oohhbbppppppppppppppbbbboo....",
                         "..oohhbbbboooooooooooooooooooo..",
                         "..oohhbbbooooooooooooooooooooo..",
                         "..oohhbbooffffffffffffffffffoo..",
                         "..oohhbooffffffffffffffffffoo...",
                         "..oohhooffffffffffffffffffoo....",
                         "..oohooffffffffffffffffffoo.....",
                         "..ooooffffffffffffffffffoo......",
                         "..oooffffffffffffffffffoo.......",
                         "..ooffffffffffffffffffoo........",
                         "..ooffffffffffffffffffoo........",
                         "..oooooooooooooooooooooo........",
                         "..oooooooooooooooooooooo........",
                         "................................",
                         "................................",
                         "................................",
                         "................................"},
                        inks);
    return PixelArt({"................",
                     "................",
                     "................",
                     "..oooo..........",
                     ".ohhhho.........",
                     ".ohbbbboooooo...",
                     ".ohbpppppppbbo..",
                     ".ohbpppppppbbo..",
                     ".ohbboooooooooo.",
                     ".ohbofffffffffo.",
                     ".ohofffffffffo..",
                     ".oofffffffffo...",
                     ".offfffffffo....",
                     ".ooooooooooo....",
                     "................",
                     "................"},
                    inks);
}

QImage HelpGlyph(const QColor& ink, int scale)
{
    if (scale == 2)
        return PixelArt({"................................",
                         "................................",
                         ".............xxxxxx.............",
                         "...........xxxxxxxxxx...........",
                         "..........xxxxxxxxxxxx..........",
                         ".........xxxxxx..xxxxxx.........",
                         "........xxxxx......xxxxx........",
                         "........xxxx........xxxx........",
                         "........xxxx........xxxx........",
                         "....................xxxx........",
                         "....................xxxx........",
                         "...................xxxxx........",
                         "..................xxxxx.........",
                         ".................xxxxx..........",
                         "................xxxxx...........",
                         "...............xxxxx............",
                         "..............xxxxx.............",
                         "..............xxxx..............",
                         "..............xxxx..............",
                         "..............xxxx..............",
                         "..............xxxx..............",
                         "..............xxxx..............",
                         "................................",
                         "................................",
                         "...............xx...............",
                         "..............xxxx..............",
                         "..............xxxx..............",
                         "...............xx...............",
                         "................................",
                         "................................"},
                        {{'x', ink}});
    return PixelArt({"................",
                     "......xxxx......",
                     ".....xxxxxx.....",
                     "....xxx..xxx....",
                     "....xx....xx....",
                     "..........xx....",
                     ".........xxx....",
                     "........xxx.....",
                     ".......xxx......",
                     ".......xx.......",
                     ".......xx.......",
                     "................",
                     ".......xx.......",
                     ".......xx.......",
                     "................"},
                    {{'x', ink}});
}

}  // namespace artwork
