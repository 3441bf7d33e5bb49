#include "CAboutDlg.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "DialogTemplate.h"
#include "Resources.h"

namespace {

// Faces to try for the template's font when "宋体" itself is not installed.
const char* const kFallbackFaces[] = {"SimSun", "NSimSun", "WenQuanYi Zen Hei", "Noto Sans CJK SC"};
// The 52 letters whose average width is the horizontal dialog base unit.
const char* const kBaseUnitLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

QRect ToQRect(const DialogTemplate::Rect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const DialogTemplate::Template& t = DialogTemplate::AboutDialog();
    setWindowTitle(QString::fromStdString(t.title));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(TemplateFont());
    setObjectName(QString::number(t.id));
    CreateControls();
}

CAboutDlg::~CAboutDlg() = default;

QFont CAboutDlg::TemplateFont()
{
    const DialogTemplate::Template& t = DialogTemplate::AboutDialog();
    QFont font;
    QStringList faces{QString::fromStdString(t.fontFace)};
    for (const char* face : kFallbackFaces)
        faces << QString::fromLatin1(face);
    font.setFamilies(faces);
    font.setPointSize(t.fontPoints);
    font.setWeight(t.fontWeight >= 700 ? QFont::Bold : QFont::Normal);
    return font;
}

void CAboutDlg::CreateControls()
{
    const DialogTemplate::Template& t = DialogTemplate::AboutDialog();
    const QFontMetrics metrics(font());
    const int baseX = DialogTemplate::BaseUnitX(metrics.horizontalAdvance(QString::fromLatin1(kBaseUnitLetters)));
    const int baseY = metrics.height();
    for (const DialogTemplate::Item& item : t.items) {
        const QRect rect = ToQRect(DialogTemplate::MapDialogRect(item.units, baseX, baseY));
        const QString text = QString::fromStdString(item.text);
        QWidget* widget = nullptr;
        switch (item.kind) {
        case DialogTemplate::ItemKind::StaticIcon: {
            auto* icon = new QLabel(this);
            icon->setPixmap(platform::LoadIconResource(item.resource).pixmap(32, 32));
            icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // An icon static sizes itself to its icon.
            icon->setGeometry(QRect(rect.topLeft(), QSize(32, 32)));
            continue;
        }
        case DialogTemplate::ItemKind::DefPushButton: {
            auto* button = new QPushButton(text, this);
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
            widget = button;
            break;
        }
        default: {
            auto* label = new QLabel(text, this);
            label->setTextFormat(Qt::PlainText);  // no prefix or markup processing
            widget = label;
            break;
        }
        }
        widget->setGeometry(rect);
        if (item.id != -1)
            widget->setObjectName(QString::number(item.id));
    }
    const QRect client = ToQRect(DialogTemplate::MapDialogRect({0, 0, t.width, t.height}, baseX, baseY));
    setFixedSize(client.size());
}
