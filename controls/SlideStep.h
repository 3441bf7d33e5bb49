#pragma once
// The number maths of sliding an edit's value with the mouse.
#include <cstdint>
#include <string>

//! Pixels of vertical mouse travel per unit of the value.
inline constexpr int kSlidePixelsPerStep = 8;

//! Whole steps for a move from pressY to y: up is positive, the remainder
//! below a whole step is dropped (truncation towards zero).
int SlideDelta(int pressY, int y);

//! value + delta, never below 0 and never past the largest 32-bit value.
std::int32_t SlideValue(std::int32_t value, int delta);

//! The edit's text as a number: empty or digitless text gives 0; the
//! unsigned 32-bit reading is taken as signed.
std::int32_t ParseSlideText(const std::string& text, bool hexMode);

//! The value as the edit shows it: "%X" in hex mode, "%d" otherwise.
std::string FormatSlideText(std::int32_t value, bool hexMode);
