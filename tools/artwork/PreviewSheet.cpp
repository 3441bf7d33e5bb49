#include "PreviewSheet.h"

#include <QFont>
#include <QPainter>

#include "ArtPalette.h"
#include "Resources.h"
#include "SkinLayout.h"

namespace artwork {
namespace {

using namespace layout;

constexpr int kEnlarge = 8;
constexpr int kSmallLimit = 20;   // pictures up to this side are also shown enlarged
constexpr int kCell = 190;
constexpr int kCaptionHeight = 16;
constexpr int kSheetColumns = 5;

QImage pictureOf(const std::vector<Picture>& bitmaps, int id)
{
    for (const Picture& p : bitmaps)
        if (p.id == id)
            return p.image;
    return {};
}

void fillChecker(QPainter& p, const QRect& area)
{
    constexpr int kSquare = 8;
    for (int y = area.top(); y < area.bottom(); y += kSquare)
        for (int x = area.left(); x < area.right(); x += kSquare)
            p.fillRect(x, y, kSquare, kSquare, ((x + y) / kSquare) % 2 ? QColor(200, 200, 200) : QColor(240, 240, 240));
}

void drawCell(QPainter& p, QPoint at, const QString& caption, const QImage& image)
{
    p.setPen(Qt::black);
    p.setFont(QFont(kFontFamily, 8));
    p.drawText(QRect(at, QSize(kCell, kCaptionHeight)), Qt::AlignLeft | Qt::AlignVCenter, caption);
    const QPoint imageAt = at + QPoint(0, kCaptionHeight);
    p.drawImage(imageAt, image);
    if (image.width() <= kSmallLimit * 2 && image.height() <= kSmallLimit * 2) {
        const int scale = image.width() <= kSmallLimit ? kEnlarge : kEnlarge / 2;
        const QImage big = image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        p.drawImage(imageAt + QPoint(image.width() + 6, 0), big);
    }
}

// Stand-in for a skinned combo box: frame, white field, chevron at the right.
void drawMockCombo(QPainter& p, const QRect& r, const QImage& chevron, const QString& text)
{
    p.setPen(kHighlightColour);
    p.setBrush(Qt::white);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const int buttonLeft = r.right() + 1 - 16 - 3;
    p.drawImage(QPoint(buttonLeft, r.top() + 2 + (r.height() - 4 - 16) / 2), chevron);
    p.setPen(kTextColour);
    p.setFont(QFont(kFontFamily, 10, QFont::Bold));
    p.drawText(r.adjusted(4, 0, -22, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
}

// Key-coloured bitmaps are drawn like the buttons do: magenta left out.
void drawKeyed(QPainter& p, QPoint at, const QImage& image)
{
    p.drawImage(at, platform::WithKeyColorTransparent(image));
}

QPoint centredIn(const QRect& r, QSize size)
{
    return r.topLeft() + QPoint((r.width() - size.width()) / 2, (r.height() - size.height()) / 2);
}

void drawMockProgress(QPainter& p, const QRect& r)
{
    const QRect filled(r.left(), r.top(), r.width() * 2 / 5, r.height());
    p.setPen(QColor(128, 128, 128));
    p.setBrush(kHighlightColour);
    p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 5, r.height() / 2.0);
    p.setBrush(QColor(223, 255, 255));
    p.drawRoundedRect(filled.adjusted(0, 0, -1, -1), 5, r.height() / 2.0);
    p.setPen(kTextColour);
    p.setFont(QFont(kFontFamily, 10));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("Updating...    40%"));
}

}  // namespace

QImage ContactSheet(const std::vector<Picture>& bitmaps, const std::vector<QImage>& icons, const QImage& cursor)
{
    struct Entry {
        QString caption;
        QImage image;
    };
    std::vector<Entry> entries;
    for (const Picture& picture : bitmaps)
        if (picture.image.width() < kSkinSize.width())
            entries.push_back({QStringLiteral("%1  %2x%3  %4 bpp")
                                   .arg(picture.id)
                                   .arg(picture.image.width())
                                   .arg(picture.image.height())
                                   .arg(picture.bitsPerPixel),
                               picture.image});
    for (const QImage& icon : icons)
        entries.push_back({QStringLiteral("icon 128  %1x%1").arg(icon.width()), icon});
    entries.push_back({QStringLiteral("cursor 151  %1x%1").arg(cursor.width()), cursor});

    const int rows = int((entries.size() + kSheetColumns - 1) / kSheetColumns);
    const int rowHeight = kCaptionHeight + 20 * kEnlarge + 12;
    QImage sheet(kSheetColumns * kCell + 10, rows * rowHeight + 10, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    fillChecker(p, sheet.rect());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QPoint at(5 + int(i % kSheetColumns) * kCell, 5 + int(i / kSheetColumns) * rowHeight);
        drawCell(p, at, entries[i].caption, entries[i].image);
    }
    return sheet;
}

QImage MockWindow(const std::vector<Picture>& bitmaps, bool running)
{
    QImage window(kSkinSize, QImage::Format_RGB32);
    QPainter p(&window);
    p.drawImage(0, 0, pictureOf(bitmaps, 149));
    p.setPen(QPen(kFrameColour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(1, 1), kSkinSize - QSize(1, 1)));

    // Minimize and close: image at the top, centred across (no caption).
    const QImage minimize = pictureOf(bitmaps, 130);
    const QImage close = pictureOf(bitmaps, 133);
    drawKeyed(p, QPoint(kMinimize.left() + (kMinimize.width() - minimize.width()) / 2, kMinimize.top()), minimize);
    drawKeyed(p, QPoint(kClose.left() + (kClose.width() - close.width()) / 2, kClose.top()), close);

    const QImage chevron = pictureOf(bitmaps, 134);
    drawMockCombo(p, kProductCombo, chevron, QStringLiteral("Vantrel X5"));
    drawMockCombo(p, kMidiInCombo, pictureOf(bitmaps, 135), QStringLiteral("USB MIDI Interface"));
    drawMockCombo(p, kMidiOutCombo, chevron, QStringLiteral("USB MIDI Interface"));

    p.setPen(kHighlightColour);
    p.setBrush(Qt::white);
    p.drawRect(kDataPath.adjusted(0, 0, -1, -1));
    p.setPen(kTextColour);
    p.setFont(QFont(kFontFamily, 10, QFont::Bold));
    p.drawText(kDataPath.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("/home/user/x5_v2.bin"));

    p.setPen(QColor(100, 140, 210));
    p.setBrush(QColor(214, 228, 252));
    p.drawRoundedRect(QRectF(kBrowse).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    drawKeyed(p, centredIn(kBrowse, kFolderSize), pictureOf(bitmaps, 139));

    if (running) {
        drawMockProgress(p, kProgress);
    } else {
        p.drawImage(centredIn(kUpdatePicture, kUpdatePictureSize), pictureOf(bitmaps, 150));
        drawKeyed(p, QPoint(kVerify.left() + (kVerify.width() - kCheckBoxSize.width()) / 2, kVerify.top()),
                  pictureOf(bitmaps, 136));
    }
    return window;
}

}  // namespace artwork
