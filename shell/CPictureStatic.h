#pragma once
// A static picture that reports clicks, as the Update picture does: the image
// is shown centred at its real size and a left press is the click. Given a
// tab stop, it shows the focus with the skin's ring and Space clicks it.
#include <QImage>
#include <QLabel>

#include "ScaledBitmap.h"

class CPictureStatic : public QLabel {
    Q_OBJECT

public:
    //! An empty picture.
    explicit CPictureStatic(QWidget* parent = nullptr);
    ~CPictureStatic() override;

    //! Shows `image` centred at its own size; a null image shows nothing.
    void SetBitmap(const QImage& image);
    //! As above, drawn from the picture of `bitmap` that fits the screen's device pixel ratio.
    void SetBitmap(const platform::ScaledBitmap& bitmap);

signals:
    //! The left mouse button went down on the picture, or Space on a focused one.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ShowPictureForRatio();

    platform::ScaledBitmap m_bitmap;
    qreal m_shownRatio = 0;  // the device pixel ratio the pixmap was made for
};
