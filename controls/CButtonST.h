#pragma once
// Flat, self-drawn push button with a rest and an active bitmap, hover
// lighting and an optional check-box mode. The face, border and caption are
// painted by three virtual painters that a derived skin replaces.
#include <cstdint>

#include <QAbstractButton>
#include <QImage>

#include "ButtonLayout.h"
#include "ColorTypes.h"
#include "ScaledBitmap.h"

class QPainter;

class CButtonST : public QAbstractButton {
    Q_OBJECT

public:
    //! A flat push button with the default colours and no images.
    explicit CButtonST(QWidget* parent = nullptr);
    ~CButtonST() override;

    //! Takes the template's button style: check-box types (bit 0x02) switch on
    //! check-box mode, type 1 (default push button) marks the default button.
    void PreSubclassWindow(std::uint32_t style);
    //! The dialog moving the default-button role: type 1 sets it, 0 clears it.
    void SetButtonStyle(std::uint32_t style);

    //! Loads the active and rest bitmaps from the resources; a missing one
    //! stays empty. Replaces any earlier pair. No repaint.
    void SetImages(int activeId, int restId);
    //! As SetImages, with the bitmaps given directly.
    void SetImages(const QImage& active, const QImage& rest);
    //! 0 image left, 1 above, 2 right of the caption; above 2 returns 4 and
    //! changes nothing, otherwise 0.
    std::uint32_t SetImageAlignment(std::uint8_t alignment, bool repaint = true);
    //! Check-box mode only: checked = (checked != 0). Returns 0.
    std::uint32_t SetChecked(int checked, bool repaint = true);
    //! The checked state.
    bool GetChecked() const { return m_checked; }
    //! Check-box message form: 1 or 2 (indeterminate) checks, anything else clears.
    void SetCheck(int state);
    //! Check-box message form of GetChecked.
    int GetCheck() const { return m_checked ? 1 : 0; }
    //! Whether the border is painted while hovered or pressed. Returns 0.
    std::uint32_t SetBorderVisible(bool visible, bool repaint = true);
    //! Stops painting the face, so the parent shows through.
    void SetTransparent(bool repaint = true);
    //! Restores the five default colours. Returns 0.
    std::uint32_t ResetColors(bool repaint = true);

    //! The mouse is over the button.
    bool IsHover() const { return m_hover; }
    //! Check-box mode is on.
    bool IsCheckBox() const { return m_checkBox; }
    //! The button is the dialog's default push button.
    bool IsDefault() const { return m_default; }
    //! The face is not painted.
    bool IsTransparent() const { return m_transparent; }
    //! The image alignment.
    std::uint8_t GetImageAlignment() const { return m_alignment; }
    //! The rest image, key colour already transparent; null when empty.
    const QImage& RestImage() const { return m_restImage.OneX(); }
    //! The active image, key colour already transparent; null when empty.
    const QImage& ActiveImage() const { return m_activeImage.OneX(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

    //! Works out the states and paints face, border, image and caption.
    void DrawItem(QPainter& painter, const QRect& item, bool selected, bool focused, bool disabled);
    //! Paints the face; returns 0.
    virtual std::uint32_t PaintFace(QPainter& painter, const QRect& rect);
    //! Paints the border shown while hovered or pressed; returns 0.
    virtual std::uint32_t PaintBorder(QPainter& painter, const QRect& rect);
    //! Paints the caption into the caption rectangle.
    virtual void PaintCaption(QPainter& painter, const QRect& rect);

    //! The caption block centred in `rect`, moved by (1, 1) when pressed.
    QRect CaptionTextRect(const QPainter& painter, const QRect& rect) const;
    //! Draws the caption engraved in the palette's light and dark colours.
    void DrawDisabledCaption(QPainter& painter, const QRect& textRect) const;

    bool m_hover = false;
    bool m_transparent = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_disabled = false;
    bool m_default = false;
    bool m_checkBox = false;
    std::uint8_t m_alignment = kImageRight;
    bool m_borderVisible = true;
    ColorRef m_activeBackColor = kHighlightColor;
    ColorRef m_activeTextColor = kTextColor;
    ColorRef m_restBackColor = kHighlightColor;
    ColorRef m_restTextColor = kTextColor;
    ColorRef m_focusBackColor = kHighlightColor;
    bool m_checked = false;
    platform::ScaledBitmap m_restImage;
    platform::ScaledBitmap m_activeImage;

private:
    void OnClicked();
    void OnMouseMove(Qt::MouseButtons buttons, const QPoint& pos);
    void CancelHover();
    void MoveFocusToNextTabStop();
    void DrawImage(QPainter& painter, bool hasCaption, const QRect& item, QRect& caption, bool pressed,
                   bool disabled);
    const platform::ScaledBitmap& ChooseImage(bool pressed) const;
    void Invalidate(bool repaint);
};
