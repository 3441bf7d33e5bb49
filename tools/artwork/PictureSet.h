#pragma once
// Every bitmap resource of the executable with its number and colour depth.
#include <QImage>
#include <vector>

namespace artwork {

//! One bitmap resource: its number, its picture and the bits per pixel it is stored with.
struct Picture {
    int id = 0;
    QImage image;
    int bitsPerPixel = 24;
};

//! All bitmaps, in resource number order, at 1x or (`scale` 2) twice the size.
std::vector<Picture> AllBitmaps(int scale = 1);

}  // namespace artwork
