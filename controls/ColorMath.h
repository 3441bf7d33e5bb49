#pragma once
#include <cstdint>

#include "ColorTypes.h"

//! Lightens (offset > 0) or darkens (offset <= 0) each of red, green and blue
//! by `offset`, clamped to 0..255.
ColorRef ShiftColor(ColorRef color, std::int16_t offset);
