#pragma once
// The main window's skin: the 627 x 535 background that carries every
// heading and label of the window, painted beside the controls' places.
#include <QImage>
#include <QRect>
#include <array>

namespace artwork {

//! The four white step panels, top to bottom.
std::array<QRect, 4> StepPanels();

//! The whole 627 x 535 skin, painted at `scale` pixels a unit.
QImage Skin(int scale = 1);

}  // namespace artwork
