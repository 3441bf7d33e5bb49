#include "CPictureStatic.h"

#include <QMouseEvent>
#include <QPixmap>

CPictureStatic::CPictureStatic(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::NoFocus);
}

CPictureStatic::~CPictureStatic() = default;

void CPictureStatic::SetBitmap(const QImage& image)
{
    if (image.isNull())
        clear();
    else
        setPixmap(QPixmap::fromImage(image));
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
