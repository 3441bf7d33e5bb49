#pragma once
// Windows speaks UTF-16 in its wide ("W") functions; the program keeps all
// text, paths included, in UTF-8. These two convert at that border, so a path
// like C:\Users\Zoë\neu – 2.bin survives whatever the system's code page is.
#include <string>

namespace platform {

//! UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
//! UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

}  // namespace platform
