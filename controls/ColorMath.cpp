#include "ColorMath.h"

#include <algorithm>

namespace {
int shiftChannel(int channel, int offset)
{
    const int sum = channel + offset;
    return offset > 0 ? std::min(sum, 255) : std::max(sum, 0);
}
}  // namespace

ColorRef ShiftColor(ColorRef color, std::int16_t offset)
{
    return RGB(shiftChannel(GetRValue(color), offset), shiftChannel(GetGValue(color), offset),
               shiftChannel(GetBValue(color), offset));
}
