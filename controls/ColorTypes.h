#pragma once
// The two colour forms of the skin, kept apart by type:
//  - ColorRef: a packed colour reference, red in the low byte (0x00BBGGRR),
//    as the skin's constants are written.
//  - Argb: 32-bit alpha, red, green, blue (0xAARRGGBB), as the anti-aliased
//    drawing takes it.
// RGB(123,171,255) and Argb{0xFF7BABFF} are the same opaque colour; ToArgb
// turns the one into the other.

#include <cstdint>

enum class ColorRef : std::uint32_t {};
enum class Argb : std::uint32_t {};

//! Builds a colour reference from its channels.
constexpr ColorRef RGB(int r, int g, int b)
{
    return ColorRef((std::uint32_t(r) & 0xFF) | ((std::uint32_t(g) & 0xFF) << 8) | ((std::uint32_t(b) & 0xFF) << 16));
}

constexpr int GetRValue(ColorRef c) { return int(std::uint32_t(c) & 0xFF); }
constexpr int GetGValue(ColorRef c) { return int((std::uint32_t(c) >> 8) & 0xFF); }
constexpr int GetBValue(ColorRef c) { return int((std::uint32_t(c) >> 16) & 0xFF); }

constexpr Argb MakeArgb(int a, int r, int g, int b)
{
    return Argb(((std::uint32_t(a) & 0xFF) << 24) | ((std::uint32_t(r) & 0xFF) << 16) |
                ((std::uint32_t(g) & 0xFF) << 8) | (std::uint32_t(b) & 0xFF));
}

constexpr int ArgbAlpha(Argb c) { return int((std::uint32_t(c) >> 24) & 0xFF); }
constexpr int ArgbRed(Argb c) { return int((std::uint32_t(c) >> 16) & 0xFF); }
constexpr int ArgbGreen(Argb c) { return int((std::uint32_t(c) >> 8) & 0xFF); }
constexpr int ArgbBlue(Argb c) { return int(std::uint32_t(c) & 0xFF); }

//! A colour reference made opaque ARGB: alpha 255, then its red, green, blue.
constexpr Argb ToArgb(ColorRef c) { return MakeArgb(0xFF, GetRValue(c), GetGValue(c), GetBValue(c)); }

// The skin's shared colours.
constexpr ColorRef kTextColor = RGB(21, 66, 139);
constexpr ColorRef kWhiteColor = RGB(255, 255, 255);
constexpr ColorRef kHighlightColor = RGB(123, 171, 255);
constexpr ColorRef kHoverColor = RGB(0, 128, 0);
constexpr ColorRef kShadowColor = RGB(224, 232, 217);
//! Pixels of this colour in button and combo bitmaps are left out when drawn.
constexpr ColorRef kKeyColor = RGB(255, 0, 255);

static_assert(ToArgb(kHighlightColor) == Argb{0xFF7BABFF});
