// Draws every picture resource of the executable and writes the files that
// resources/resources.qrc compiles in: bitmap/<id>.bmp, its twice-as-large
// partner bitmap/<id>@2x.bmp for screens of more than one pixel a unit,
// icon/128.ico and cursor/151.cur.
//
//   make_artwork [<resources directory>] [--preview <directory>]
//   make_artwork --hicolor <directory> <size>...
//
// The second form draws only the application icon, as
// <directory>/<size>x<size>/apps/vantrel.png for the desktop's icon theme.
// The preview directory receives sheet.png (every picture, small ones
// enlarged) and window.png / window-running.png (the skin with stand-in
// controls), for checking the artwork by eye.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "BitmapFiles.h"
#include "IconArt.h"
#include "PictureSet.h"
#include "PreviewSheet.h"

namespace {

constexpr QPoint kCursorHotSpot(0, 0);  // the fingertip
constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
// The icon's sizes at 1.5x and 2x, after the two that older readers take first.
constexpr int kLargeIcon1_5x = 48;
constexpr int kLargeIcon2x = 64;

bool writeFile(const QString& path, const std::optional<QByteArray>& bytes)
{
    if (!bytes) {
        std::fprintf(stderr, "make_artwork: %s cannot be encoded\n", qPrintable(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(*bytes) != bytes->size()) {
        std::fprintf(stderr, "make_artwork: cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

bool writePreview(const QString& path, const QImage& image)
{
    if (image.save(path))
        return true;
    std::fprintf(stderr, "make_artwork: cannot write %s\n", qPrintable(path));
    return false;
}

bool writeBitmaps(const QDir& root, const std::vector<artwork::Picture>& bitmaps, const QString& suffix)
{
    bool ok = true;
    for (const artwork::Picture& picture : bitmaps) {
        const QString path = root.filePath(QStringLiteral("bitmap/%1%2.bmp").arg(picture.id).arg(suffix));
        ok &= writeFile(path, picture.bitsPerPixel == 4 ? artwork::EncodeBmp4(picture.image)
                                                        : std::optional(artwork::EncodeBmp24(picture.image)));
    }
    return ok;
}

bool writeResources(const QDir& root, const std::vector<artwork::Picture>& bitmaps,
                    const std::vector<artwork::Picture>& bitmaps2x, const std::vector<QImage>& icons,
                    const std::vector<QImage>& cursor)
{
    bool ok = root.mkpath(QStringLiteral("bitmap")) && root.mkpath(QStringLiteral("icon")) &&
              root.mkpath(QStringLiteral("cursor"));
    ok &= writeBitmaps(root, bitmaps, QString());
    ok &= writeBitmaps(root, bitmaps2x, QStringLiteral("@2x"));
    ok &= writeFile(root.filePath(QStringLiteral("icon/128.ico")), artwork::EncodeIco(icons));
    ok &= writeFile(root.filePath(QStringLiteral("cursor/151.cur")), artwork::EncodeCur(cursor, kCursorHotSpot));
    return ok;
}

bool writeHicolorIcons(const QDir& root, const QStringList& sizes)
{
    bool ok = !sizes.isEmpty();
    for (const QString& text : sizes) {
        const int side = text.toInt();
        const QString path = root.filePath(QStringLiteral("%1x%1/apps/vantrel.png").arg(side));
        if (side <= 0 || !root.mkpath(QFileInfo(path).path()) || !artwork::AppIcon(side).save(path)) {
            std::fprintf(stderr, "make_artwork: cannot write the %s icon to %s\n", qPrintable(text), qPrintable(path));
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args.first() == QStringLiteral("--hicolor"))
        return writeHicolorIcons(QDir(args.at(1)), args.mid(2)) ? 0 : 1;
    QString previewDir;
    const qsizetype previewAt = args.indexOf(QStringLiteral("--preview"));
    if (previewAt >= 0) {
        if (previewAt + 1 >= args.size()) {
            std::fprintf(stderr, "usage: make_artwork [<resources directory>] [--preview <directory>]\n");
            return 2;
        }
        previewDir = args.at(previewAt + 1);
        args.remove(previewAt, 2);
    }
    const QDir root(args.isEmpty() ? QStringLiteral(VANTREL_RESOURCES_DIR) : args.first());

    const std::vector<artwork::Picture> bitmaps = artwork::AllBitmaps();
    const std::vector<QImage> icons = {artwork::AppIcon(kLargeIcon), artwork::AppIcon(kSmallIcon),
                                       artwork::AppIcon(kLargeIcon1_5x), artwork::AppIcon(kLargeIcon2x)};
    const QImage cursor = artwork::HandCursor();

    bool ok = writeResources(root, bitmaps, artwork::AllBitmaps(2), icons, {cursor, artwork::HandCursor(2)});
    if (!previewDir.isEmpty()) {
        const QDir preview(previewDir);
        ok &= preview.mkpath(QStringLiteral("."));
        ok &= writePreview(preview.filePath(QStringLiteral("sheet.png")), artwork::ContactSheet(bitmaps, icons, cursor));
        ok &= writePreview(preview.filePath(QStringLiteral("window.png")), artwork::MockWindow(bitmaps, false));
        ok &= writePreview(preview.filePath(QStringLiteral("window-running.png")), artwork::MockWindow(bitmaps, true));
    }
    return ok ? 0 : 1;
}
