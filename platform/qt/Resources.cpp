#include "Resources.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPixmap>
#include <QRect>
#include <QTextStream>
#include <vector>

namespace platform {
namespace {

// Resource paths inside resources/resources.qrc.
QString bitmapPath(int id, int scale)
{
    return scale == 2 ? QStringLiteral(":/bitmap/%1@2x.bmp").arg(id) : QStringLiteral(":/bitmap/%1.bmp").arg(id);
}
QString iconPath(int id) { return QStringLiteral(":/icon/%1.ico").arg(id); }
QString cursorPath(int id) { return QStringLiteral(":/cursor/%1.cur").arg(id); }
const char* const kStringTablePath = ":/strings/strings.tsv";

// The string table: one "id<TAB>text" line per string.
QHash<int, QString> loadStringTable()
{
    QHash<int, QString> table;
    QFile file(QString::fromLatin1(kStringTablePath));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return table;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (tab > 0 && ok)
            table.insert(id, line.mid(tab + 1));
    }
    return table;
}

// The hot spot of image `index` of a .cur file: its directory entry carries
// it where an icon keeps planes and bit count. Outside the image, or in a
// file too short to hold it, the top-left corner is taken.
QPoint cursorHotSpot(const QByteArray& cur, int index, QSize imageSize)
{
    constexpr int kDirectorySize = 6;
    constexpr int kEntrySize = 16;
    const int hotSpotX = kDirectorySize + index * kEntrySize + 4;  // after width, height, colours, reserved
    const int hotSpotY = hotSpotX + 2;
    if (cur.size() < hotSpotY + 2)
        return QPoint(0, 0);
    auto le16 = [&](int at) { return int(quint8(cur[at])) | int(quint8(cur[at + 1])) << 8; };
    const QPoint hotSpot(le16(hotSpotX), le16(hotSpotY));
    return QRect(QPoint(0, 0), imageSize).contains(hotSpot) ? hotSpot : QPoint(0, 0);
}

// Of a cursor's sizes, the smallest at least `scale` times the first; the
// largest when none is.
int cursorSizeFor(const std::vector<QImage>& sizes, qreal scale)
{
    const qreal wanted = sizes.front().width() * scale;
    int chosen = 0;
    for (int i = 1; i < int(sizes.size()); ++i) {
        const int width = sizes[std::size_t(i)].width();
        const int chosenWidth = sizes[std::size_t(chosen)].width();
        if (chosenWidth < wanted ? width > chosenWidth : (width >= wanted && width < chosenWidth))
            chosen = i;
    }
    return chosen;
}

}  // namespace

QImage LoadBitmapResource(int id, int scale)
{
    if (scale != 1 && scale != 2)
        return {};
    QImage image(bitmapPath(id, scale));
    image.setDevicePixelRatio(scale);
    return image;
}

QIcon LoadIconResource(int id)
{
    const QString path = iconPath(id);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QCursor LoadCursorResource(int id, bool* ok, qreal scale)
{
    QFile file(cursorPath(id));
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ICO");
    std::vector<QImage> sizes;
    for (int i = 0; reader.jumpToImage(i); ++i) {
        sizes.push_back(reader.read());
        if (sizes.back().isNull()) {
            sizes.pop_back();
            break;
        }
    }
    if (ok != nullptr)
        *ok = !sizes.empty();
    if (sizes.empty())
        return QCursor();
    const int index = cursorSizeFor(sizes, scale);
    QImage image = sizes[std::size_t(index)];
    const qreal ratio = qreal(image.width()) / sizes.front().width();
    image.setDevicePixelRatio(ratio);
    // In the screen's independent pixels, as the pixmap's size is.
    const QPoint hotSpot = cursorHotSpot(bytes, index, image.size()) / ratio;
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

QString LoadStringResource(int id)
{
    static const QHash<int, QString> table = loadStringTable();
    return table.value(id);
}

QImage WithKeyColorTransparent(const QImage& image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(255, 0, 255);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0x00FFFFFF) == (key & 0x00FFFFFF))
                line[x] = 0;
    }
    return out;
}

}  // namespace platform
