#include "ModulePath.h"

#include <windows.h>

#include "WideText.h"

namespace platform {

char PathSeparator() { return '\\'; }

unsigned long ProcessId() { return ::GetCurrentProcessId(); }

std::string ModuleFilePath()
{
    // Long paths (and long folder names in other scripts) need more than
    // MAX_PATH; the call says so by filling the buffer to the brim.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return Utf8FromWide(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
