#include "WordWait.h"

#include <windows.h>

namespace platform {
namespace {

// WaitOnAddress takes whole milliseconds, and a wait rounded up to the next
// one made every short wait of the simulated link (a 5-byte request is 160 us
// at 31,250 B/s) last a millisecond or more. The ntdll call it forwards to
// takes 100 ns steps; Wine keeps to them, Windows to its timer's resolution.
using PreciseWait = LONG(NTAPI*)(volatile void* address, void* compare, SIZE_T size, LARGE_INTEGER* timeout);

PreciseWait LookUpPreciseWait()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr)
        return nullptr;
    return reinterpret_cast<PreciseWait>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlWaitOnAddress")));
}

void WaitWholeMilliseconds(std::atomic<std::uint32_t>& word, std::uint32_t seen, std::chrono::nanoseconds timeout)
{
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    ::WaitOnAddress(&word, &seen, sizeof seen, static_cast<DWORD>(ms < 1 ? 1 : ms));
}

}  // namespace

void WaitOnWord(std::atomic<std::uint32_t>& word, std::uint32_t seen, std::chrono::nanoseconds timeout)
{
    static const PreciseWait preciseWait = LookUpPreciseWait();
    if (preciseWait == nullptr) {
        WaitWholeMilliseconds(word, seen, timeout);
        return;
    }
    LARGE_INTEGER relative;
    relative.QuadPart = RelativeWaitTicks(timeout);
    preciseWait(&word, &seen, sizeof seen, &relative);
}

void WakeWordWaiters(std::atomic<std::uint32_t>& word) { ::WakeByAddressAll(&word); }

}  // namespace platform
