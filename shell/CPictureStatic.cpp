#include "CPictureStatic.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "FocusRing.h"

CPictureStatic::CPictureStatic(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::NoFocus);
}

CPictureStatic::~CPictureStatic() = default;

void CPictureStatic::SetBitmap(const QImage& image) { SetBitmap(platform::ScaledBitmap(image, QImage())); }

void CPictureStatic::SetBitmap(const platform::ScaledBitmap& bitmap)
{
    m_bitmap = bitmap;
    m_shownRatio = 0;
    ShowPictureForRatio();
}

bool CPictureStatic::event(QEvent* event)
{
    // A window that moves to a screen of another scale gets a new device pixel ratio.
    if (event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal)
        ShowPictureForRatio();
    return QLabel::event(event);
}

void CPictureStatic::ShowPictureForRatio()
{
    const qreal ratio = devicePixelRatioF();
    if (ratio == m_shownRatio)
        return;
    m_shownRatio = ratio;
    if (m_bitmap.IsNull())
        clear();
    else
        setPixmap(QPixmap::fromImage(m_bitmap.ForRatio(ratio)));  // the label shows it at its size in units
}

void CPictureStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    event->accept();
    emit clicked();
}

void CPictureStatic::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is not a further click, so a quick
    // double click on Update starts one run, not two.
    event->accept();
}

void CPictureStatic::keyPressEvent(QKeyEvent* event)
{
    // Space is a click, as on a push button; a held key repeats no run.
    // Enter stays the dialog's key.
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        emit clicked();
}

void CPictureStatic::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    DrawFocusRing(painter, *this, rect());
}
