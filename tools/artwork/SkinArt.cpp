#include "SkinArt.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ArtPalette.h"
#include "IconArt.h"
#include "SkinLayout.h"

namespace artwork {
namespace {

using namespace layout;

constexpr int kTitleBandHeight = 36;
constexpr int kPanelLeft = 20;
constexpr int kPanelRadius = 10;
constexpr int kHeadingIndent = 16;   // from the panel's left edge to the accent bar
constexpr int kLogoSide = 24;
constexpr int kLabelPixelSize = 13;
constexpr int kHeadingPixelSize = 14;
constexpr int kTitlePixelSize = 16;
constexpr int kLabelGap = 4;         // between the Verify box and its label

const QColor kGroundTop(238, 243, 251);
const QColor kGroundBottom(218, 228, 243);
const QColor kPanelBorder(196, 212, 238);
const QColor kRuleColour(226, 234, 247);

// Vertical centre of each painted step heading (near the top of the hidden
// step group boxes, which show where they belong).
constexpr std::array<int, 4> kHeadingCentres = {58, 164, 296, 402};
const std::array<QString, 4> kHeadings = {
    QStringLiteral("STEP 1: SELECT MODEL"),
    QStringLiteral("STEP 2: SELECT MIDI DEVICE"),
    QStringLiteral("STEP 3: SELECT DATA FILE"),
    QStringLiteral("STEP 4: UPDATE"),
};

QFont skinFont(int pixelSize, bool bold)
{
    QFont font(kFontFamily);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void drawGround(QPainter& p)
{
    QLinearGradient ground(0, 0, 0, kSkinSize.height());
    ground.setColorAt(0, kGroundTop);
    ground.setColorAt(1, kGroundBottom);
    p.fillRect(QRect(QPoint(0, 0), kSkinSize), ground);

    QLinearGradient band(0, 0, 0, kTitleBandHeight);
    band.setColorAt(0, QColor(255, 255, 255));
    band.setColorAt(1, QColor(232, 240, 252));
    p.fillRect(0, 0, kSkinSize.width(), kTitleBandHeight, band);
    p.fillRect(0, kTitleBandHeight, kSkinSize.width(), 1, kPanelBorder);
}

void drawTitle(QPainter& p, int scale)
{
    const int logoTop = (kTitleBandHeight - kLogoSide) / 2;
    QImage logo = AppIcon(kLogoSide * scale);
    logo.setDevicePixelRatio(scale);
    p.drawImage(QPoint(14, logoTop), logo);

    const QRect band(14 + kLogoSide + 10, 0, 400, kTitleBandHeight);
    const QFont bold = skinFont(kTitlePixelSize, true);
    const QString name = QStringLiteral("FIRMWARE UPDATE");
    p.setFont(bold);
    p.setPen(kTextColour);
    p.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, name);
    const int versionLeft = band.left() + QFontMetrics(bold).horizontalAdvance(name) + 8;
    p.setFont(skinFont(kTitlePixelSize, false));
    p.setPen(QColor(74, 122, 204));
    p.drawText(band.adjusted(versionLeft - band.left(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("V1.0"));
}

void drawPanel(QPainter& p, const QRect& panel)
{
    const QRectF body = QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5);
    // A soft shadow two pixels below the panel.
    for (int i = 1; i <= 3; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 70, 120, 14));
        p.drawRoundedRect(body.translated(0, i).adjusted(-0.5 * i, 0, 0.5 * i, 0), kPanelRadius, kPanelRadius);
    }
    p.setPen(QPen(kPanelBorder, 1.0));
    p.setBrush(kPanelColour);
    p.drawRoundedRect(body, kPanelRadius, kPanelRadius);
}

// Accent bar, the heading, and a fine rule that runs on to the panel's edge.
void drawHeading(QPainter& p, const QRect& panel, int centreY, const QString& text)
{
    const int barLeft = panel.left() + kHeadingIndent;
    p.setPen(Qt::NoPen);
    p.setBrush(kHighlightColour);
    p.drawRoundedRect(QRectF(barLeft, centreY - 8, 4, 16), 2, 2);

    const QFont font = skinFont(kHeadingPixelSize, true);
    const QRect textBox(barLeft + 12, centreY - 12, panel.right() - barLeft, 24);
    p.setFont(font);
    p.setPen(kTextColour);
    p.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, text);

    const int ruleLeft = textBox.left() + QFontMetrics(font).horizontalAdvance(text) + 14;
    p.fillRect(QRect(ruleLeft, centreY, panel.right() - kHeadingIndent - ruleLeft, 1), kRuleColour);
}

// A label starting at `left`, vertically centred on the rows of its control.
void drawLabel(QPainter& p, int left, int top, int height, const QString& text)
{
    p.setFont(skinFont(kLabelPixelSize, true));
    p.setPen(kTextColour);
    p.drawText(QRect(left, top, 200, height), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void drawLabels(QPainter& p)
{
    drawLabel(p, kLabelLeft, kProductCombo.top(), kProductCombo.height(), QStringLiteral("Model"));
    drawLabel(p, kLabelLeft, kMidiInCombo.top(), kMidiInCombo.height(), QStringLiteral("MIDI In Device"));
    drawLabel(p, kLabelLeft, kMidiOutCombo.top(), kMidiOutCombo.height(), QStringLiteral("MIDI Out Device"));
    drawLabel(p, kLabelLeft, kDataPath.top(), kDataPath.height(), QStringLiteral("Data Path"));
    // The check box shows its 20 x 19 picture at the top of its control.
    drawLabel(p, kVerify.right() + 1 + kLabelGap, kVerify.top(), kCheckBoxSize.height(), QStringLiteral("Verify"));
}

}  // namespace

std::array<QRect, 4> StepPanels()
{
    const int width = kSkinSize.width() - 2 * kPanelLeft;
    return {QRect(kPanelLeft, 44, width, 96), QRect(kPanelLeft, 146, width, 120),
            QRect(kPanelLeft, 274, width, 98), QRect(kPanelLeft, 380, width, 126)};
}

QImage Skin(int scale)
{
    // Painted in skin units throughout, so the 2x skin differs only in how
    // finely its edges and texts are drawn.
    QImage image(kSkinSize * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawGround(p);
    drawTitle(p, scale);
    const auto panels = StepPanels();
    for (std::size_t i = 0; i < panels.size(); ++i) {
        drawPanel(p, panels[i]);
        drawHeading(p, panels[i], kHeadingCentres[i], kHeadings[i]);
    }
    drawLabels(p);
    return image;
}

}  // namespace artwork
