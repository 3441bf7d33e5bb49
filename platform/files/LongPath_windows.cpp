#include "LongPath.h"

#include <windows.h>

#include "WideText.h"

namespace platform {

std::wstring SystemPath(const std::string& path)
{
    const std::wstring wide = WideFromUtf8(path);
    // The full path is a matter of text: Windows makes it at any length.
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return wide;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return wide;
    full.resize(length);
    const std::wstring extended = LongPathForm(full);
    // A path short enough keeps the form it was given in, for Windows' own messages.
    return extended == full ? wide : extended;
}

}  // namespace platform
