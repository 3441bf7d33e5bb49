#include "SlideStep.h"

#include <cstdio>
#include <limits>

#include "ParseValue.h"

int SlideDelta(int pressY, int y)
{
    // Widened so that extreme coordinates cannot overflow the subtraction.
    return static_cast<int>((static_cast<long long>(pressY) - y) / kSlidePixelsPerStep);
}

std::int32_t SlideValue(std::int32_t value, int delta)
{
    const long long sum = static_cast<long long>(value) + delta;
    if (sum <= 0)
        return 0;
    // Saturate instead of wrapping round to a negative number.
    return sum > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                          : static_cast<std::int32_t>(sum);
}

std::int32_t ParseSlideText(const std::string& text, bool hexMode)
{
    if (text.empty())
        return 0;
    std::uint32_t value = 0;
    if (hexMode)
        ParseHexValue(text.c_str(), value);
    else
        ParseDecValue(text.c_str(), value);
    return static_cast<std::int32_t>(value);
}

std::string FormatSlideText(std::int32_t value, bool hexMode)
{
    char buffer[16] = {};
    if (hexMode)
        std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
    else
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return buffer;
}
