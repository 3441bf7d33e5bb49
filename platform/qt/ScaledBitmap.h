#pragma once
// A bitmap resource with its twice-as-large partner, handing out the picture
// that fits a screen's device pixel ratio: the 1x one at 1x, the 2x one at 2x,
// and in between (1.25, 1.5) the 2x one scaled down smoothly, so that a
// control copies pixels one to one at every scale.
#include <QImage>

namespace platform {

class ScaledBitmap {
public:
    //! No picture.
    ScaledBitmap() = default;
    //! `oneX` with its partner `twoX`, which is twice its size or null.
    ScaledBitmap(const QImage& oneX, const QImage& twoX);

    //! Bitmap resource `id` and its 2x partner; null when there is none.
    static ScaledBitmap Load(int id);

    //! Whether there is no 1x picture.
    bool IsNull() const { return m_oneX.isNull(); }
    //! The size in units (device-independent pixels): the 1x picture's.
    QSize Size() const { return m_oneX.size(); }
    //! The 1x picture.
    const QImage& OneX() const { return m_oneX; }
    //! The picture for `ratio` device pixels a unit, its device pixel ratio set:
    //! the 1x one up to 1x or without a partner, the 2x one otherwise, scaled to the ratio.
    const QImage& ForRatio(qreal ratio) const;
    //! A copy whose key-colour pixels are transparent at both sizes.
    ScaledBitmap WithKeyColorTransparent() const;

private:
    QImage m_oneX;
    QImage m_twoX;
    // The last scaled-down picture, so that a repaint does not scale again.
    mutable QImage m_scaled;
};

}  // namespace platform
