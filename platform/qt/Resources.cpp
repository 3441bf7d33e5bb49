#include "Resources.h"

#include <QFile>
#include <QHash>
#include <QPixmap>
#include <QRect>
#include <QTextStream>

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

// The hot spot of a .cur file's first image: the directory entry carries it
// where an icon keeps planes and bit count. Outside the image, or in a file
// too short to hold it, the top-left corner is taken.
QPoint cursorHotSpot(const QByteArray& cur, QSize imageSize)
{
    constexpr int kHotSpotX = 6 + 4;  // directory header, then width, height, colours, reserved
    constexpr int kHotSpotY = kHotSpotX + 2;
    if (cur.size() < kHotSpotY + 2)
        return QPoint(0, 0);
    auto le16 = [&](int at) { return int(quint8(cur[at])) | int(quint8(cur[at + 1])) << 8; };
    const QPoint hotSpot(le16(kHotSpotX), le16(kHotSpotY));
    return QRect(QPoint(0, 0), imageSize).contains(hotSpot) ? hotSpot : QPoint(0, 0);
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

QCursor LoadCursorResource(int id, bool* ok)
{
    QFile file(cursorPath(id));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const QImage image = QImage::fromData(bytes, "ICO");
    if (ok != nullptr)
        *ok = !image.isNull();
    if (image.isNull())
        return QCursor();
    const QPoint hotSpot = cursorHotSpot(bytes, image.size());
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
