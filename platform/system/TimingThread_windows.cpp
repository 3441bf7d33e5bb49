#include "TimingThread.h"

#include <windows.h>

#include "WideText.h"

namespace platform {

// Windows' waits have no slack of their own; how fine they are is the system
// timer's resolution, which a run raises (PreciseTimer). Thread names came
// with Windows 10 (1607): looked up, so older systems just go without.
void SetUpTimingThread(const char* name)
{
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto set = reinterpret_cast<SetDescription>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetThreadDescription")));
    if (set != nullptr)
        set(::GetCurrentThread(), WideFromUtf8(name).c_str());
}

}  // namespace platform
