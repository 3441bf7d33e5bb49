#include "BitmapFiles.h"

#include <QHash>
#include <QList>
#include <QRgb>
#include <cstdint>

namespace artwork {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPixelsPerMetre = 2835;  // 72 dpi, as paint programs write it
constexpr int kPaletteSize4 = 16;
constexpr int kIconDirSize = 6;
constexpr int kIconEntrySize = 16;
constexpr int kMaxIconSide = 256;
constexpr std::uint16_t kIconType = 1;
constexpr std::uint16_t kCursorType = 2;

void put16(QByteArray& out, std::uint32_t v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Rows of a device-independent bitmap are padded to whole 32-bit words.
int rowStride(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

void putFileHeader(QByteArray& out, int paletteBytes, int pixelBytes)
{
    const int offset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
    out.append("BM");
    put32(out, std::uint32_t(offset + pixelBytes));
    put32(out, 0);  // two reserved words
    put32(out, std::uint32_t(offset));
}

void putInfoHeader(QByteArray& out, int width, int height, int bitsPerPixel, int pixelBytes, int coloursUsed)
{
    put32(out, kInfoHeaderSize);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));  // positive: bottom-up rows
    put16(out, 1);                      // planes
    put16(out, std::uint32_t(bitsPerPixel));
    put32(out, 0);  // BI_RGB, uncompressed
    put32(out, std::uint32_t(pixelBytes));
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, std::uint32_t(coloursUsed));
    put32(out, 0);  // all colours important
}

void padRow(QByteArray& out, int written, int stride)
{
    for (int i = written; i < stride; ++i)
        out.append('\0');
}

// The colour part of an icon or cursor image: 32-bit BGRA rows bottom-up,
// followed by the 1-bit AND mask that marks fully transparent pixels.
QByteArray iconImageData(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    const int maskStride = rowStride(w, 1);
    const int pixelBytes = w * h * 4 + maskStride * h;

    QByteArray out;
    putInfoHeader(out, w, h * 2, 32, pixelBytes, 0);  // height counts colour and mask
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(qAlpha(line[x])));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(line[x]) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

bool fitsIconEntry(const QImage& image)
{
    return !image.isNull() && image.width() <= kMaxIconSide && image.height() <= kMaxIconSide;
}

// Icons and cursors share one layout; only the type and the meaning of two
// entry fields differ (planes and bit count, or the hot spot).
QByteArray iconContainer(std::uint16_t type, const std::vector<QImage>& images, QPoint hotSpot)
{
    std::vector<QByteArray> bodies;
    for (const QImage& image : images)
        bodies.push_back(iconImageData(image));

    QByteArray out;
    put16(out, 0);
    put16(out, type);
    put16(out, std::uint32_t(images.size()));
    int offset = kIconDirSize + kIconEntrySize * int(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const QImage& image = images[i];
        out.append(char(image.width() == kMaxIconSide ? 0 : image.width()));
        out.append(char(image.height() == kMaxIconSide ? 0 : image.height()));
        out.append('\0');  // no palette
        out.append('\0');
        if (type == kCursorType) {
            const int firstWidth = images.front().width();
            put16(out, std::uint32_t(hotSpot.x() * image.width() / firstWidth));
            put16(out, std::uint32_t(hotSpot.y() * image.width() / firstWidth));
        } else {
            put16(out, 1);
            put16(out, 32);
        }
        put32(out, std::uint32_t(bodies[i].size()));
        put32(out, std::uint32_t(offset));
        offset += int(bodies[i].size());
    }
    for (const QByteArray& body : bodies)
        out.append(body);
    return out;
}

}  // namespace

QByteArray EncodeBmp24(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const int stride = rowStride(w, 24);

    QByteArray out;
    putFileHeader(out, 0, stride * h);
    putInfoHeader(out, w, h, 24, stride * h, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
        }
        padRow(out, w * 3, stride);
    }
    return out;
}

std::optional<QByteArray> EncodeBmp4(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();

    QList<QRgb> palette;
    QHash<QRgb, int> indexOf;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x] | 0xFF000000u;
            if (indexOf.contains(c))
                continue;
            if (palette.size() == kPaletteSize4)
                return std::nullopt;
            indexOf.insert(c, int(palette.size()));
            palette.append(c);
        }
    }
    while (palette.size() < kPaletteSize4)
        palette.append(qRgb(0, 0, 0));

    const int stride = rowStride(w, 4);
    const int paletteBytes = kPaletteSize4 * 4;
    QByteArray out;
    putFileHeader(out, paletteBytes, stride * h);
    putInfoHeader(out, w, h, 4, stride * h, kPaletteSize4);
    for (const QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const int index = indexOf.value(line[x] | 0xFF000000u);
            const int shift = (x % 2 == 0) ? 4 : 0;  // the left pixel sits in the high nibble
            row[x / 2] = char(row[x / 2] | (index << shift));
        }
        out.append(row);
    }
    return out;
}

std::optional<QByteArray> EncodeIco(const std::vector<QImage>& images)
{
    if (images.empty())
        return std::nullopt;
    for (const QImage& image : images)
        if (!fitsIconEntry(image))
            return std::nullopt;
    return iconContainer(kIconType, images, QPoint());
}

std::optional<QByteArray> EncodeCur(const std::vector<QImage>& images, QPoint hotSpot)
{
    if (images.empty() || !images.front().rect().contains(hotSpot))
        return std::nullopt;
    for (const QImage& image : images)
        if (!fitsIconEntry(image))
            return std::nullopt;
    return iconContainer(kCursorType, images, hotSpot);
}

}  // namespace artwork
