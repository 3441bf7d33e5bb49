#pragma once
#include <cstdint>

//! Converts `text` to an unsigned 32-bit number in base 16: leading white
//! space, an optional sign (a minus negates modulo 2^32), an optional 0x/0X
//! prefix, then hexadecimal digits up to the first other character. No digits
//! give 0; a number beyond 32 bits gives 0xFFFFFFFF. `value` is stored in
//! every case; the result is false only when it is 0xFFFFFFFF.
bool ParseHexValue(const char* text, std::uint32_t& value);

//! As ParseHexValue, in base 10 and without a prefix.
bool ParseDecValue(const char* text, std::uint32_t& value);
