#pragma once
// The skin's button: a white face with a thin rounded outline that turns to
// the hover colour under the mouse, no border, and a caption over a pale
// shadow of itself.
#include "CButtonST.h"

class QPen;

class CMyButton : public CButtonST {
    Q_OBJECT

public:
    //! A skinned button: white face, skin caption colours.
    explicit CMyButton(QWidget* parent = nullptr);
    ~CMyButton() override;

protected:
    std::uint32_t PaintFace(QPainter& painter, const QRect& rect) override;
    std::uint32_t PaintBorder(QPainter& painter, const QRect& rect) override;
    void PaintCaption(QPainter& painter, const QRect& rect) override;

private:
    //! Corner radius of the outline, in pixels.
    static constexpr int kFrameRadius = 4;
    //! Width and height of the corner ellipse that rounds the white fill.
    static constexpr int kClipCornerSize = 14;

    static void DrawRoundedFrame(QPainter& painter, const QPen& pen, int x, int y, int w, int h, int r);
};
