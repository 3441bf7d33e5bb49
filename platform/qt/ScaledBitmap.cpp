#include "ScaledBitmap.h"

#include <cmath>

#include "Resources.h"

namespace platform {
namespace {

constexpr int kPartnerScale = 2;

QImage partnerOf(const QImage& oneX, const QImage& twoX)
{
    if (oneX.isNull() || twoX.size() != oneX.size() * kPartnerScale)
        return {};
    QImage partner = twoX;
    partner.setDevicePixelRatio(kPartnerScale);
    return partner;
}

}  // namespace

ScaledBitmap::ScaledBitmap(const QImage& oneX, const QImage& twoX) : m_oneX(oneX), m_twoX(partnerOf(oneX, twoX))
{
    m_oneX.setDevicePixelRatio(1);
}

ScaledBitmap ScaledBitmap::Load(int id) { return {LoadBitmapResource(id), LoadBitmapResource(id, kPartnerScale)}; }

const QImage& ScaledBitmap::ForRatio(qreal ratio) const
{
    if (ratio <= 1 || m_twoX.isNull())
        return m_oneX;
    if (ratio == kPartnerScale)
        return m_twoX;
    const QSize pixels(int(std::lround(m_oneX.width() * ratio)), int(std::lround(m_oneX.height() * ratio)));
    if (m_scaled.isNull() || m_scaled.size() != pixels) {
        // Area averaging from the finer picture keeps thin strokes and text edges
        // even, where sampling while painting would drop or double pixel rows.
        m_scaled = m_twoX.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(ratio);
    }
    return m_scaled;
}

ScaledBitmap ScaledBitmap::WithKeyColorTransparent() const
{
    if (IsNull())
        return {};
    return {platform::WithKeyColorTransparent(m_oneX),
            m_twoX.isNull() ? QImage() : platform::WithKeyColorTransparent(m_twoX)};
}

}  // namespace platform
