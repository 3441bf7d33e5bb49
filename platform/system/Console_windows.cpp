#include "Console.h"

#include <windows.h>

#include <io.h>

namespace platform {

bool PrepareTerminal(std::FILE* stream)
{
    // GetConsoleMode, not _isatty: the latter also says yes for NUL.
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode))
        return false;
    ::SetConsoleOutputCP(CP_UTF8);
    // Consoles older than Windows 10 print escapes as text: plain lines there.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace platform
