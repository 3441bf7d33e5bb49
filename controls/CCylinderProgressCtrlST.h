#pragma once
// The skin's progress bar: an anti-aliased cylinder whose filled part grows
// from the left (from the bottom when vertical), with a gloss band, elliptical
// end faces and a centred "caption    NN%" label. It keeps its own range and
// position and paints itself completely, composed off-screen in one image.
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "ColorTypes.h"

class QPainter;
class QPainterPath;

class CCylinderProgressCtrlST : public QWidget {
    Q_OBJECT

public:
    //! Style bit of a bar that fills from the bottom up.
    static constexpr unsigned PBS_VERTICAL = 0x04;

    //! A horizontal bar with the default colours, range 0..100 at 0.
    explicit CCylinderProgressCtrlST(QWidget* parent = nullptr);
    ~CCylinderProgressCtrlST() override;

    //! Applies the window style bits (only PBS_VERTICAL matters), as when attached to a template control.
    void PreSubclassWindow(unsigned style);
    //! Switches between horizontal and vertical (fills from the bottom).
    void SetVertical(bool vertical, bool repaint = true);
    //! True when the bar fills from the bottom up.
    bool IsVertical() const { return m_vertical; }

    //! Sets the bounds; returns the previous ones packed as low word lower, high word upper.
    std::uint32_t SetRange(short lower, short upper);
    //! Stores `pos` clamped into the bounds; returns the previous position.
    int SetPos(int pos);
    //! Stores the step (only mirrored, nothing steps by it); returns the previous step.
    int SetStep(int step);
    //! Colour of the filled part.
    void SetFillColor(Argb argb, bool repaint);
    //! Colour of the empty part.
    void SetEmptyColor(Argb argb, bool repaint);
    //! Whether the caption-and-percentage label is painted.
    void SetShowLabel(bool show, bool repaint);
    //! Switches transparent mode on: no background, the parent shows through. Returns 0.
    int SetTransparent(bool repaint);
    //! Sets the caption of the label and repaints when it changed.
    void SetWindowText(const QString& text);

    //! The caption of the label.
    QString GetWindowText() const { return m_caption; }
    //! Current position.
    int GetPos() const { return m_pos; }
    //! Current bounds.
    void GetRange(int& lower, int& upper) const;
    //! Current step.
    int GetStep() const { return m_step; }
    //! The percentage the bar shows now.
    int GetPercent() const;
    //! Colour of the filled part.
    Argb GetFillColor() const { return m_fillColor; }
    //! Colour of the empty part.
    Argb GetEmptyColor() const { return m_emptyColor; }
    //! Whether the label is painted.
    bool GetShowLabel() const { return m_showLabel; }
    //! Whether transparent mode is on.
    bool IsTransparent() const { return m_transparent; }

protected:
    void paintEvent(QPaintEvent* event) override;

    //! Paints the background of the off-screen image (only when not transparent).
    virtual void PaintBackground(QPainter& graphics, const QRect& fullRect);
    //! Paints the label; the segment rectangles and direction are there for replacements.
    virtual void PaintLabel(QPainter& graphics, int percent, const QRect& fullRect, const QRect& emptyRect,
                            const QRect& filledRect, bool horizontal);

private:
    void repaintIf(bool repaint);
    //! Tells assistive tools the new percentage and label text.
    void AnnounceProgress();
    //! One segment of the cylinder: glossed body, then its trailing (base) and leading (front) faces.
    void DrawSegment(QPainter& graphics, const QRect& rect, bool horizontal, Argb color, bool drawBase,
                     bool outlineBody, bool outlineFront, bool outlineBase) const;
    //! The translucent highlight band over a segment's body.
    void DrawGloss(QPainter& graphics, const QRect& rect, const QPainterPath& body, bool horizontal) const;

    bool m_transparent = false;
    bool m_showLabel = true;
    bool m_drawOutline = true;  // no operation changes it
    Argb m_fillColor = Argb{0xFFFFD700};
    Argb m_emptyColor = Argb{0xFFD3D3D3};
    Argb m_outlineColor = Argb{0xFF808080};  // no operation changes it
    Argb m_backgroundColor = Argb{0xFFF0F0F0};  // replaced by the palette's button colour
    int m_lower = 0;
    int m_upper = 100;
    int m_range = 100;
    int m_step = 10;
    int m_pos = 0;
    bool m_vertical = false;
    QString m_caption;
};
