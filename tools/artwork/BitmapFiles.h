#pragma once
// Writers for the picture files the executable's resources use:
// device-independent bitmaps (.bmp) at 24 bits or 4 bits per pixel, icons
// (.ico) and cursors (.cur) with 32-bit images. Pure byte building: image in,
// file contents out, nothing is written to disk here.
#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <optional>
#include <vector>

namespace artwork {

//! A 24-bit bottom-up .bmp of `image` (alpha is dropped).
QByteArray EncodeBmp24(const QImage& image);

//! A 4-bit (16-colour) .bmp of `image` with a palette made of its distinct
//! colours in order of first appearance; nothing when it has more than 16.
std::optional<QByteArray> EncodeBmp4(const QImage& image);

//! An .ico holding every image of `images` at 32 bits per pixel with alpha,
//! in the given order; nothing when an image is empty or larger than 256.
std::optional<QByteArray> EncodeIco(const std::vector<QImage>& images);

//! A .cur holding every image of `images` (one cursor at several sizes) at 32
//! bits per pixel, with `hotSpot`, given in the first image's pixels, scaled
//! to each; nothing when an image is empty or larger than 256 or the hot spot
//! lies outside the first.
std::optional<QByteArray> EncodeCur(const std::vector<QImage>& images, QPoint hotSpot);

}  // namespace artwork
